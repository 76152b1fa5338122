// The main() of the Qt test programs: an application object (offscreen by
// default) around GoogleTest.
#include <QApplication>
#include <gtest/gtest.h>

namespace {
// The offscreen platform reports every window's size hints as unsupported;
// that line would drown the test output.
void QuietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message) {
  if (message.contains(QLatin1String("propagateSizeHints")))
    return;
  qt_message_output(type, context, message);
}
} // namespace

int main(int argc, char **argv) {
  qInstallMessageHandler(QuietHandler);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
