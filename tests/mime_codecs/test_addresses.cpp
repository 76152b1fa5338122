#include "mime/IdEMailAddress.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

using mvtest::ExpectError;

namespace {
TIdEMailAddressItem Parse(const std::string &text) {
  TIdEMailAddressItem item;
  item.SetText(text);
  return item;
}

TIdEMailAddressItem Item(const std::string &address, const std::string &name) {
  TIdEMailAddressItem item;
  item.Address = address;
  item.Name = name;
  return item;
}
} // namespace

TEST(AddressText, BuildsHeaderForm) {
  EXPECT_EQ(Item("ivan@example.org", "").Text(), "ivan@example.org");
  EXPECT_EQ(Item("ivan@example.org", "Ivan").Text(), "Ivan <ivan@example.org>");
  EXPECT_EQ(Item("ivan@example.org", "Ivan \"The\" Petrov").Text(),
            "\"Ivan \\\"The\\\" Petrov\" <ivan@example.org>");
  EXPECT_EQ(Item("ivan@example.org", "Petrov, Ivan").Text(), "\"Petrov, Ivan\" <ivan@example.org>");
  EXPECT_EQ(Item("MAILER-DAEMON", "Mail System").Text(), "Mail System <>");
  EXPECT_EQ(Item("", "").Text(), "");
  EXPECT_EQ(Item("", "Nobody").Text(), "Nobody <>");
  // A name that only repeats the address in capitals is left out.
  EXPECT_EQ(Item("ivan@example.org", "IVAN@EXAMPLE.ORG").Text(), "<ivan@example.org>");
}

TEST(AddressText, QuotesLocalPartWithSpecialCharacters) {
  EXPECT_EQ(Item("ivan petrov@example.org", "").Text(), "<\"ivan petrov\"@example.org>");
  EXPECT_EQ(Item("a\"b@example.org", "").Text(), "<\"a\\\"b\"@example.org>");
  EXPECT_EQ(Item("ivan.petrov@example.org", "").Text(), "ivan.petrov@example.org");
  EXPECT_EQ(Item("ivan.petrov@example.org", "I").Text(), "I <ivan.petrov@example.org>");
}

TEST(AddressParse, NameAndBracketedAddress) {
  TIdEMailAddressItem item = Parse("John <john@example.org>");
  EXPECT_EQ(item.Name, "John");
  EXPECT_EQ(item.Address, "john@example.org");

  item = Parse("Ivan Petrov <ivan.petrov@mail.example.org>");
  EXPECT_EQ(item.Name, "Ivan Petrov");
  EXPECT_EQ(item.Address, "ivan.petrov@mail.example.org");

  item = Parse("<john@example.org>");
  EXPECT_EQ(item.Name, "");
  EXPECT_EQ(item.Address, "john@example.org");

  item = Parse("  john@example.org  ");
  EXPECT_EQ(item.Name, "");
  EXPECT_EQ(item.Address, "john@example.org");
}

TEST(AddressParse, QuotedNamesAndComments) {
  TIdEMailAddressItem item = Parse("\"Petrov, Ivan\" <ivan@example.org>");
  EXPECT_EQ(item.Name, "Petrov, Ivan");
  EXPECT_EQ(item.Address, "ivan@example.org");

  item = Parse("ivan@example.org (Ivan)");
  EXPECT_EQ(item.Name, "");
  EXPECT_EQ(item.Address, "ivan@example.org");

  // Escaped quotes inside a quoted name keep the blanks around them, so the
  // text an item writes reads back into the same item.
  const TIdEMailAddressItem original = Item("ivan@example.org", "Ivan \"The\" Petrov");
  item = Parse(original.Text());
  EXPECT_EQ(item.Name, original.Name);
  EXPECT_EQ(item.Address, original.Address);
}

TEST(AddressParse, AtOutsideAddressFails) {
  TIdEMailAddressItem item;
  ExpectError<EIdEmailParseError>([&] { item.SetText("<ivan@example.org> petr@example.org"); },
                                  "@ Outside address");
  EXPECT_EQ(item.Address, "ivan@example.org");
}

TEST(AddressList, SplitsAtCommasAndSemicolonsAndDropsNameFragmentsGroupsAndEmptyEntries) {
  const struct {
    const char *text;
    std::vector<std::string> entries; // "name|address"
  } cases[] = {
      {"ivan@example.org, petr@example.org", {"|ivan@example.org", "|petr@example.org"}},
      {"ivan@example.org; petr@example.org", {"|ivan@example.org", "|petr@example.org"}},
      {"\"Ivanov, I.\" <ivanov@example.org>, petr@example.org",
       {"Ivanov, I.|ivanov@example.org", "|petr@example.org"}},
      {"Petrov, Ivan <ivan@example.org>", {"Ivan|ivan@example.org"}},
      {"undisclosed-recipients:;", {}},
      {"friends: ivan@example.org, petr@example.org;", {"|ivan@example.org", "|petr@example.org"}},
      {" , <>, ,", {}},
      {"   ", {}},
      {"ivan@example.org", {"|ivan@example.org"}},
  };
  TIdEMailAddressList list; // one list for all: each text replaces the entries before
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    list.SetAddressesText(c.text);
    std::vector<std::string> entries;
    for (int i = 0; i < list.Count(); ++i)
      entries.push_back(list.Items(i).Name + "|" + list.Items(i).Address);
    EXPECT_EQ(entries, c.entries);
  }
  list.SetAddressesText("\"Ivanov, I.\" <ivanov@example.org>, petr@example.org");
  EXPECT_EQ(list.AddressesText(), "\"Ivanov, I.\" <ivanov@example.org>, petr@example.org");
}

TEST(AddressList, FailingItemKeepsItemsMadeBefore) {
  TIdEMailAddressList list;
  EXPECT_THROW(list.SetAddressesText("ivan@example.org, <a@example.org> b@example.org"), EIdEmailParseError);
  ASSERT_GE(list.Count(), 1);
  EXPECT_EQ(list.Items(0).Address, "ivan@example.org");
}

TEST(AddressList, CopiesAreDeep) {
  TIdEMailAddressList list;
  list.SetAddressesText("ivan@example.org");
  TIdEMailAddressList copy = list;
  copy.Items(0).Address = "other@example.org";
  EXPECT_EQ(list.Items(0).Address, "ivan@example.org");
  list = copy;
  EXPECT_EQ(list.Items(0).Address, "other@example.org");
  list.Delete(0);
  EXPECT_EQ(list.Count(), 0);
}
