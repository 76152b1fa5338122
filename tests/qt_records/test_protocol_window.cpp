#include "../qt_dialogs/QtTestSupport.h"
#include "../records/ProtocolFixture.h"
#include "RecordsSupport.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "records/PNavigator.h"
#include "records/PProtcl.h"
#include "records/PProtocolDocument.h"
#include "records/PProtocolModel.h"
#include "records/ProtocolQuery.h"
#include "records/mData.h"
#include "settings/QtText.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

namespace {
const int kDay10 = 46032; // 10.01.2026

struct ProtocolWindowTest : ProtocolFixture {
  // "Отчёт" in Windows-1251: Cyrillic names must survive to the document.
  const std::string cyrillicName = "\xce\xf2\xf7\xb8\xf2.xls";

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ProtocolFixture::SetUp());
    Add(kDay10, 9 * 3600, "report1.txt", "b@example.org");
    Add(kDay10, 10 * 3600, "Report1.txt", "A@example.org");
    Add(kDay10 + 1, 8 * 3600, "reports.zip", "a@example.org");
    Add(kDay10 + 2, 7 * 3600, cyrillicName, "c@example.org");
    data->Table1.Close(); // the window opens it
  }
  void Add(int day, int seconds, const std::string &name, const std::string &from) {
    AddRow(day, seconds, name, from, "/files/in/", "monthly figures");
  }
  static std::vector<std::string> Printed(const QString &path) { return mvtest::OdtParagraphs(path); }
  // The grid's file-name column, top to bottom.
  static QStringList GridNames(TfProtcl &w) {
    QStringList names;
    for (int row = 0; row < w.DataSource1->rowCount(); ++row)
      names << w.DataSource1->index(row, 4).data().toString();
    return names;
  }
};
} // namespace

TEST_F(ProtocolWindowTest, FilterRangeSortAndTitleClicksDriveTheGrid) {
  TfProtcl w(nullptr, data->Table1, dir.Win1251Path() + "Temp/");
  w.show();
  ASSERT_TRUE(data->Table1.Active());
  EXPECT_TRUE(w.RadioButton1->isChecked());
  EXPECT_EQ(TfProtcl::PickerDay(*w.dxDateEdit1), TfProtcl::kNoDate);
  EXPECT_EQ(w.DataSource1->headerData(2, Qt::Horizontal).toString(), mv::Ui("От кого"));
  EXPECT_EQ(w.DBGrid1->columnWidth(6), 500);

  const QString all = "report1.txt,Report1.txt,reports.zip," + mv::ToQt(cyrillicName);
  struct Step {
    std::function<void()> act;
    QString names;
    bool bySender;
  } steps[] = {
      {[&] { w.RadioButton2->click(); }, "Report1.txt,reports.zip,report1.txt," + mv::ToQt(cyrillicName),
       true},
      {[&] {
         TfProtcl::SetPickerDay(*w.dxDateEdit1, kDay10);
         TfProtcl::SetPickerDay(*w.dxDateEdit2, kDay10 + 1);
         w.btnRefresh->click();
       },
       "report1.txt,Report1.txt,reports.zip", true},
      {[&] { w.DBGrid1->horizontalHeader()->sectionClicked(2); },
       "Report1.txt,reports.zip,report1.txt," + mv::ToQt(cyrillicName), true},
      {[&] {
         w.Edit1->setText("report*");
         TfProtcl::SetPickerDay(*w.dxDateEdit2, TfProtcl::kNoDate);
         w.btnRefresh->click();
       },
       "reports.zip,report1.txt", true},
      {[&] { w.DBGrid1->horizontalHeader()->sectionClicked(0); }, "report1.txt,reports.zip", false},
      {[&] { w.DBGrid1->horizontalHeader()->sectionClicked(4); }, "report1.txt,reports.zip", false},
      {[&] {
         w.Edit1->clear();
         w.btnRefresh->click();
       },
       all, false},
  };
  int n = 0;
  for (const Step &step : steps) {
    SCOPED_TRACE(++n);
    step.act();
    EXPECT_EQ(GridNames(w).join(','), step.names);
    EXPECT_EQ(w.RadioButton2->isChecked(), step.bySender);
  }
  mvtest::SaveShot(w, "protocol-window");
}

TEST_F(ProtocolWindowTest, TheGridFollowsACloseAndReopenAndEditsWriteTheRow) {
  TfProtcl w(nullptr, data->Table1, dir.Win1251Path() + "Temp/");
  w.show();
  ASSERT_EQ(w.DataSource1->rowCount(), 4);
  data->Table1.Close();
  EXPECT_EQ(w.DataSource1->rowCount(), 0);
  data->Table1.Open();
  EXPECT_EQ(w.DataSource1->rowCount(), 4);

  mvtest::ErrorRecorder errors;
  // A comment typed into the grid is stored at once; a date that is no date is refused.
  EXPECT_TRUE(w.DataSource1->setData(w.DataSource1->index(1, 6), mv::Ui("проверено")));
  EXPECT_FALSE(w.DataSource1->setData(w.DataSource1->index(1, 0), "31.02.2026"));
  EXPECT_EQ(errors.texts.size(), 1);
  TdmMail reread(dir.Win1251Path());
  reread.Table1.SetIndexName("T1ByFName");
  reread.Table1.MoveTo(1);
  EXPECT_EQ(reread.Table1.FieldText("FComment"), mv::FromQt(mv::Ui("проверено")));
  EXPECT_EQ(reread.Table1.FieldText("FDate"), "10.01.2026");
}

TEST_F(ProtocolWindowTest, DeletingAsksFirstAndOnlyOkDeletes) {
  TfProtcl w(nullptr, data->Table1, dir.Win1251Path() + "Temp/");
  w.show();
  for (const auto answer : {QMessageBox::Cancel, QMessageBox::Ok}) {
    QString asked;
    mvtest::WhenModal([&](QWidget *modal) {
      auto *box = qobject_cast<QMessageBox *>(modal);
      ASSERT_NE(box, nullptr);
      asked = box->text();
      box->button(answer)->click();
    });
    w.DBNavigator1->Click(TDBNavigator::nbDelete);
    EXPECT_EQ(asked, "Delete record?");
    EXPECT_EQ(w.DataSource1->rowCount(), answer == QMessageBox::Ok ? 3 : 4);
  }
}

// The document read back: the title, four paragraphs per row in the order
// on screen, the separator; the same from the headless tool.
TEST_F(ProtocolWindowTest, PrintWritesTheDocumentAndTheToolWritesTheSame) {
  ASSERT_TRUE(mv::ForceDirectories(dir.Win1251Path() + "Temp/"));
  TfProtcl w(nullptr, data->Table1, dir.Win1251Path() + "Temp/");
  w.show();
  w.RadioButton2->click();
  w.Edit1->setText("report*");
  w.btnRefresh->click();

  mvtest::OpenRecorder opener;
  const std::string path = w.PrintClick();
  EXPECT_EQ(path, dir.Win1251Path() + "Temp/Protocol.odt");
  EXPECT_EQ(opener.opened, std::vector<std::string>{path});
  EXPECT_EQ(w.DBGrid1->currentIndex().row(), 1); // the walk ends on the last row
  const std::string title = mv::Win1251ToUtf8(mv::kProtocolTitle);
  const std::string separator(47, '_');
  const std::vector<std::string> expected = {"",
                                             title,
                                             "",
                                             "1.",
                                             "11.01.2026    8:00:00    a@example.org",
                                             "reports.zip    /files/in/",
                                             separator,
                                             "2.",
                                             "10.01.2026    9:00:00    b@example.org",
                                             "report1.txt    /files/in/",
                                             separator};
  EXPECT_EQ(Printed(QString::fromStdString(path)), expected);
  const QByteArray xml = mvtest::OdtEntry(QString::fromStdString(path), "content.xml");
  EXPECT_TRUE(xml.contains("fo:font-weight=\"bold\"")) << xml.left(2000).constData();
  EXPECT_TRUE(xml.contains("fo:font-size=\"10pt\""));
  EXPECT_TRUE(xml.contains("fo:font-family=\"" + mv::ProtocolFontFamily().toUtf8() + "\""))
      << mv::ProtocolFontFamily().toStdString();
  // The logo stands in the header of every page; the package is whole.
  const QByteArray styles = mvtest::OdtEntry(QString::fromStdString(path), "styles.xml");
  EXPECT_TRUE(styles.contains("<style:header><text:p><draw:frame")) << styles.constData();
  EXPECT_TRUE(styles.contains("xlink:href=\"Pictures/logo.png\""));
  EXPECT_EQ(QImage::fromData(mvtest::OdtEntry(QString::fromStdString(path), "Pictures/logo.png")).size(),
            QSize(125, 64));
  EXPECT_TRUE(mvtest::OdtEntry(QString::fromStdString(path), "META-INF/manifest.xml").contains("styles.xml"));
  QProcess check;
  check.start("unzip", {"-tq", QString::fromStdString(path)});
  ASSERT_TRUE(check.waitForFinished(60000));
  EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().constData();

  // A second print does not overwrite the first, which may still be open.
  EXPECT_EQ(w.PrintClick(), dir.Win1251Path() + "Temp/C1_Protocol.odt");

  // Where nothing opens the document, the user learns where it lies.
  {
    mvtest::OpenRecorder failing(false);
    mvtest::ErrorRecorder errors;
    const std::string third = w.PrintClick();
    ASSERT_EQ(errors.texts.size(), 1);
    EXPECT_TRUE(errors.texts[0].contains(mv::ToQt(third))) << errors.texts[0].toStdString();
  }

  // The headless tool, same filter and order, on the same table.
  data->Table1.Close();
  const QString out = QString::fromStdString(mv::ToDiskPath(dir.Win1251Path() + "cli.odt"));
  QProcess cli;
  cli.start(QStringLiteral(MV_BINARY_DIR "/bin/mailvornex-cli"),
            {"protocol-print", "--base", QString::fromStdString(mv::ToDiskPath(dir.Win1251Path())), out,
             "--name", "report*", "--order", "sender"});
  ASSERT_TRUE(cli.waitForFinished(60000));
  EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();
  EXPECT_EQ(Printed(out), expected);

  // With a date range and a Cyrillic name, and on a directory without a table yet.
  struct Run {
    std::string base;
    QStringList extra;
    std::vector<std::string> rows;
  } runs[] = {
      {dir.Win1251Path(),
       {"--from", "12.01.2026", "--to", "12.01.2026"},
       {"1.", "12.01.2026    7:00:00    c@example.org", mv::Win1251ToUtf8(cyrillicName) + "    /files/in/",
        separator}},
      {dir.Win1251Path() + "fresh/", {}, {}},
  };
  for (const Run &run : runs) {
    QProcess tool;
    QStringList args{"protocol-print", "--base", QString::fromStdString(mv::ToDiskPath(run.base)), out};
    tool.start(QStringLiteral(MV_BINARY_DIR "/bin/mailvornex-cli"), args + run.extra);
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().constData();
    std::vector<std::string> want = {"", title, ""};
    want.insert(want.end(), run.rows.begin(), run.rows.end());
    EXPECT_EQ(Printed(out), want);
  }
  EXPECT_TRUE(mv::FileExists(dir.Win1251Path() + "fresh/Protocol/Protocol.db"));
}

// A row inserted from the navigator stands last, unstored, until it is
// posted; a post without the required fields is refused and keeps it open.
TEST_F(ProtocolWindowTest, InsertedRowsAreTypedIntoTheGridAndPosted) {
  TfProtcl w(nullptr, data->Table1, dir.Win1251Path() + "Temp/");
  w.show();
  mvtest::ErrorRecorder errors;
  w.DBNavigator1->Click(TDBNavigator::nbInsert);
  ASSERT_EQ(w.DataSource1->rowCount(), 5);
  const int row = 4;
  for (const auto &[column, text] : std::vector<std::pair<int, QString>>{{0, "13.01.2026"}, {1, "11:30"}})
    EXPECT_TRUE(w.DataSource1->setData(w.DataSource1->index(row, column), text));
  w.DBNavigator1->Click(TDBNavigator::nbPost);
  EXPECT_EQ(errors.texts, QStringList{"Field 'FName' must have a value."});
  EXPECT_TRUE(w.DataSource1->setData(w.DataSource1->index(row, 4), "typed.pdf"));
  w.DBNavigator1->Click(TDBNavigator::nbPost);
  EXPECT_EQ(data->Table1.GetState(), ProtocolTable::State::Browse);
  EXPECT_EQ(GridNames(w).last(), "typed.pdf");
  EXPECT_EQ(w.DataSource1->index(4, 1).data().toString(), "11:30:00");
  EXPECT_EQ(w.DataSource1->rowCount(), 5);
}
