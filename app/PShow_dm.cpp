#include "app/PShow_dm.h"

#include "config/Config.h"
#include "settings/ErrorDisplay.h"
#include "settings/QtText.h"

#include <QCheckBox>
#include <QVBoxLayout>

TFShow_dm::TFShow_dm(QWidget *parent, std::string baseDir) : QDialog(parent), baseDir_(std::move(baseDir)) {
  setWindowTitle(mv::Ui(" Рекламный демо-ролик"));
  CheckBox1 = new QCheckBox(mv::Ui(" не показывать демо-ролик при запуске программы"));
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(CheckBox1);
  layout->setContentsMargins(24, 24, 24, 24);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  mv::RunCommand([this] { CheckBox1->setChecked(mv::ReadHidePresentation(baseDir_)); });
  connect(CheckBox1, &QCheckBox::toggled, this, [this] { mv::RunCommand([this] { CheckBox1Click(); }); });
}

void TFShow_dm::CheckBox1Click() {
  mv::WriteHidePresentation(baseDir_, CheckBox1->isChecked());
}
