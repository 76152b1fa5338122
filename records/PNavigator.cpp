#include "records/PNavigator.h"

#include "settings/ErrorDisplay.h"
#include "settings/QtText.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QStyle>
#include <QToolButton>

namespace {
struct ButtonLook {
  const char *text;
  const char *hint;
};
const ButtonLook kLooks[TDBNavigator::kButtonCount] = {
    {"|◀", "First record"}, {"◀", "Prior record"},  {"▶", "Next record"}, {"▶|", "Last record"},
    {"+", "Insert record"}, {"−", "Delete record"}, {"▲", "Edit record"}, {"✔", "Post edit"},
    {"✖", "Cancel edit"},   {"↻", "Refresh data"}};
} // namespace

TDBNavigator::TDBNavigator(ProtocolTable &table, QWidget *parent) : QWidget(parent), table_(table) {
  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  for (int i = 0; i < kButtonCount; ++i) {
    auto *button = new QToolButton;
    button->setText(mv::Ui(kLooks[i].text));
    button->setToolTip(QString::fromUtf8(kLooks[i].hint));
    button->setFixedSize(28, 25);
    layout->addWidget(button);
    buttons_[i] = button;
    connect(button, &QToolButton::clicked, this, [this, i] { Click(static_cast<Button>(i)); });
  }
  subscription_ = table_.Subscribe([this](ProtocolTable::Change) { UpdateButtons(); });
  UpdateButtons();
}

TDBNavigator::~TDBNavigator() {
  table_.Unsubscribe(subscription_);
}

void TDBNavigator::Click(Button button) {
  mv::RunCommand([&] {
    switch (button) {
    case nbFirst:
      table_.First();
      break;
    case nbPrior:
      table_.Prior();
      break;
    case nbNext:
      table_.Next();
      break;
    case nbLast:
      table_.Last();
      break;
    case nbInsert:
      table_.Insert();
      emit EditStarted();
      break;
    case nbDelete:
      if (QMessageBox::question(this, mv::ProgramTitle(), QStringLiteral("Delete record?"),
                                QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok)
        table_.Delete();
      break;
    case nbEdit:
      table_.Edit();
      emit EditStarted();
      break;
    case nbPost:
      table_.Post();
      break;
    case nbCancel:
      table_.Cancel();
      break;
    case nbRefresh:
      table_.Refresh();
      break;
    }
  });
  UpdateButtons();
}

void TDBNavigator::UpdateButtons() {
  const bool active = table_.Active();
  const bool browsing = active && table_.GetState() == ProtocolTable::State::Browse;
  const bool rows = active && table_.RecordCount() > 0;
  const bool atFirst = !rows || table_.RecNo() <= 0;
  const bool atLast = !rows || table_.RecNo() >= table_.RecordCount() - 1;
  const bool enabled[kButtonCount] = {browsing && !atFirst,
                                      browsing && !atFirst,
                                      browsing && !atLast,
                                      browsing && !atLast,
                                      active,
                                      rows,
                                      browsing && rows,
                                      active && !browsing,
                                      active && !browsing,
                                      browsing};
  for (int i = 0; i < kButtonCount; ++i)
    buttons_[i]->setEnabled(enabled[i]);
}
