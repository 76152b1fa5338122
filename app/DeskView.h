#pragma once
// The main window as the courier's observer: status texts, rows, progress and
// the message view go into the window's controls.
#include "desk/CourierObserver.h"

class TfrmMain;

class TDeskView : public mv::CourierObserver {
public:
  explicit TDeskView(TfrmMain &window) : w_(window) {}

  void ShowStatus(const std::string &text) override;
  std::string StatusText() const override;
  void ShowBusy(bool busy) override;
  void ShowConnected(bool connected) override;
  void ShowFileStatus(int messageCount, int mailboxKB) override;
  void ShowEmptyMailbox() override;
  void ClearMessageRows() override;
  void AddMessageRow(const mv::MessageRow &row) override;
  void SetRowIcon(int row, int icon) override;
  void ShowProgress(int percent) override;
  void ShowMessageView(const mv::MessageViewContents &contents) override;
  void ClearMessageView() override;
  void ShowTextPart(const std::string &utf8) override;
  void ShowAttachmentPanel() override;
  void ProcessMessages() override;

private:
  void ClearLabels();
  void ShowBody(const mv::MessageViewContents &contents);

  TfrmMain &w_;
};

// The icon of a row of the message list (the image list's number).
inline constexpr int kRowIconRole = 0x0101; // Qt::UserRole + 1
