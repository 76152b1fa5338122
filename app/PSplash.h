#pragma once
// The splash window: a borderless picture with the program's name, centred on
// the screen. It closes 15 seconds after it was made, or at once on a key or
// mouse button press, and is destroyed when closed.
#include <QDialog>

class QLabel;
class QTimer;

class Tfsplash : public QDialog {
  Q_OBJECT
public:
  explicit Tfsplash(QWidget *parent = nullptr);

  QLabel *Image1;
  QLabel *Label1;
  QLabel *Label2;
  QTimer *Timer2;

  static constexpr int kLifetimeMs = 15000;

protected:
  void keyPressEvent(QKeyEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void showEvent(QShowEvent *event) override;
};
