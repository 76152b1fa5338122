#include "records/PSend_Ms.h"

namespace {
const TStoredViewer::Look kLook = {mv::StoredKind::Sent,
                                   "  Отправленные сообщения",
                                   {"  Тема", "  Кому", "  Дата"},
                                   {420, 260, 100},
                                   "  Вложения",
                                   300,
                                   "Двойной щелчок \"мышюю\" - открыть вложение",
                                   true,
                                   true};
} // namespace

TSend_Msg::TSend_Msg(QWidget *parent, std::string sendDir, std::string attachDir, std::string tempAttDir)
    : TStoredViewer(parent, kLook, std::move(sendDir), std::move(attachDir), std::move(tempAttDir)) {}
