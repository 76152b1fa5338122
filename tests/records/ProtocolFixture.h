#pragma once
// A protocol table in a scratch program directory, for the tests of the
// table, its queries and its window; rows go in as the routing step puts them.
#include "records/mData.h"
#include "tests/support/ScratchDir.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class ProtocolFixture : public ::testing::Test {
protected:
  void SetUp() override {
    data = std::make_unique<TdmMail>(dir.Win1251Path());
    ASSERT_EQ(data->StartupError(), "");
  }
  // Inserts one row; an empty subject or comment is left unset.
  void AddRow(int day, int seconds, const std::string &name, const std::string &from, const std::string &dirText,
              const std::string &subject = "", const std::string &comment = "") {
    ProtocolTable &t = data->Table1;
    t.Insert();
    t.SetFieldDate("FDate", day);
    t.SetFieldTime("FTime", seconds);
    t.SetFieldString("FName", name);
    t.SetFieldString("FDir", dirText);
    t.SetFieldString("FFrom", from);
    if (!subject.empty())
      t.SetFieldString("FTema", subject);
    if (!comment.empty())
      t.SetFieldString("FComment", comment);
    t.Post();
  }
  // The visible rows, first to last, as the given field's text.
  std::vector<std::string> Walk(const std::string &field = "FName") {
    std::vector<std::string> seen;
    ProtocolTable &t = data->Table1;
    for (t.First(); !t.Eof(); t.Next())
      seen.push_back(t.FieldText(field));
    return seen;
  }

  mvtest::ScratchDir dir;
  std::unique_ptr<TdmMail> data;
};
