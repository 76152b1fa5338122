#pragma once
// Small building blocks of the main window: a status bar made of sunken text
// panels of fixed widths (the last one takes the rest), and the tool bar's
// server-name panel, which reports clicks.
#include <QFrame>
#include <QVector>

class QCheckBox;
class QLabel;

class TStatusBar : public QFrame {
  Q_OBJECT
public:
  // widths: one entry per panel; the last panel stretches past its width.
  TStatusBar(const QVector<int> &widths, QWidget *parent = nullptr);

  QString Text(int panel) const;
  // Sets the text and repaints at once, also in the middle of a long task.
  void SetText(int panel, const QString &text);

private:
  QVector<QLabel *> panels_;
};

class TServerPanel : public QFrame {
  Q_OBJECT
public:
  explicit TServerPanel(QWidget *parent = nullptr);

  QCheckBox *CheckBox1; // lies on the panel, at its left
  QLabel *Caption;      // the POP3 server name, right-aligned

  void SetCaption(const QString &text);

signals:
  void Clicked();

protected:
  void mousePressEvent(QMouseEvent *event) override;
};
