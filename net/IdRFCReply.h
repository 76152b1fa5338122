#pragma once
// The last reply of a command/reply protocol: its code as sent and as a
// number, and its text lines without the code.
#include <string>
#include <vector>

class TIdRFCReply {
public:
  // The code as a number; 0 when the code is not a number.
  int NumericCode() const { return FNumericCode; }
  // A value above 0 also sets TextCode to its decimal text.
  void SetNumericCode(int code);
  // The code as sent (for POP3 after its status mapping).
  const std::string &TextCode() const { return FTextCode; }
  // A non-empty code also sets NumericCode to its decimal value (0 when not a number).
  void SetTextCode(const std::string &code);
  void Clear();

  // Fills the reply from the lines of one reply as read (each already
  // trimmed): the code from the first line, the text of every line without it.
  void ParseLines(const std::vector<std::string> &lines);

  // One entry per reply line, without the code.
  std::vector<std::string> Text;

private:
  int FNumericCode = 0;
  std::string FTextCode;
};
