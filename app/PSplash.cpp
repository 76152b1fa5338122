#include "app/PSplash.h"

#include "app/Resources.h"
#include "settings/QtText.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

using mv::Ui;

namespace {
constexpr int kWidth = 451;
constexpr int kHeight = 303;

// The picture is a JPEG in the program's resources, decoded by Qt's image
// reader (its JPEG plug-in is built on libjpeg).
QPixmap SplashPicture() {
  QImageReader reader(QStringLiteral(":/splash.jpg"));
  reader.setScaledSize(QSize(kWidth, kHeight));
  return QPixmap::fromImage(reader.read());
}
} // namespace

Tfsplash::Tfsplash(QWidget *parent) : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog) {
  mv::EnsureAppResources();
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(kWidth, kHeight);

  Image1 = new QLabel(this);
  Image1->setGeometry(0, 0, kWidth, kHeight);
  Image1->setPixmap(SplashPicture());

  Label1 = new QLabel(Ui("Программа  \" Зорвен  ВОРНЕКС-Тарвида\""), this);
  QFont title = Label1->font();
  title.setPointSize(12);
  title.setBold(true);
  Label1->setFont(title);
  Label1->setStyleSheet(QStringLiteral("color: white; background: transparent"));
  Label1->setGeometry(0, 200, kWidth, 32);
  Label1->setAlignment(Qt::AlignCenter);

  Label2 = new QLabel(Ui("Приём почты и раскладка вложений по каталогам"), this);
  Label2->setStyleSheet(QStringLiteral("color: #dde6f0; background: transparent"));
  Label2->setGeometry(0, 236, kWidth, 24);
  Label2->setAlignment(Qt::AlignCenter);

  Timer2 = new QTimer(this);
  Timer2->setSingleShot(true);
  Timer2->setInterval(kLifetimeMs);
  connect(Timer2, &QTimer::timeout, this, &QDialog::close);
  Timer2->start();
}

void Tfsplash::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void Tfsplash::keyPressEvent(QKeyEvent *) {
  close();
}
void Tfsplash::mousePressEvent(QMouseEvent *) {
  close();
}
