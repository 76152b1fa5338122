#include "records/PDel_Msg.h"

namespace {
const TStoredViewer::Look kLook = {mv::StoredKind::Deleted,
                                   " Автоматически удаленные с сервера сообщения",
                                   {"  Тема", "  От кого", "  Дата"},
                                   {400, 260, 100},
                                   "   Вложения",
                                   350,
                                   nullptr,
                                   false,
                                   false};
} // namespace

TDel_Msg::TDel_Msg(QWidget *parent, std::string deleteDir, std::string attachDir, std::string tempAttDir)
    : TStoredViewer(parent, kLook, std::move(deleteDir), std::move(attachDir), std::move(tempAttDir)) {}
