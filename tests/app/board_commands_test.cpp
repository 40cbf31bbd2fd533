#include <gtest/gtest.h>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

// The frames themselves are proven by RandomOperator; here, what a refusal
// says. Port 1 rows 1, 2, 5 (a gap), stored out of order; port 3 one row
// with start and end values that are never sent.
class BoardCommands : public FormTest {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT1 VALUES (5, 9, 'c', 255, 3, 254, 253), (1, 7, 'a', 5, 1, 1, 40),"
           " (2, 12, 'b', 10, 2, 5, 20);\n"
           "INSERT INTO PORT3 VALUES (1, 2, 'x', 4, 3, 999, 999);\n";
  }
  // Writes after the connect frame.
  std::size_t Sent() const { return serial.writes.size() - 1; }
};

// Each refusal says so; a failed write would say the link was lost instead.
TEST_F(BoardCommands, RefusalsSendAndStoreNothing) {
  ChoosePort(2);
  const std::string caps = Rows("SELECT * FROM MaxPort ORDER BY Port");
  struct Case {
    const char* what;
    std::function<void()> prepare;
    Button* button;
    const char* says = "";
  };
  FrmForm& f = *form;
  const auto closed = [&] {
    ChoosePort(1);  // rows, capacity 40 and an effect: only the closed port is wrong
    ChooseEffect(0);
    f.CmdConnect.PerformClick();
    // DISCONNECT leaves them enabled: the operator can reach these refusals.
    for (Button* b : {&f.CmdSEND, &f.CmdTest, &f.CmdMaxport}) EXPECT_TRUE(b->Enabled()) << b->Name();
  };
  const Case cases[] = {
      {"empty list", [] {}, &f.CmdSEND},
      {"capacity 300", [&] { f.TxtMaxport.SetText("300"); }, &f.CmdMaxport},
      {"capacity ?", [&] { f.TxtMaxport.SetText("?"); }, &f.CmdMaxport},
      {"capacity byte 300",
       [&] {
         f.TxtMaxport.SetText("300");
         ChooseEffect(0);
         f.TxtB.SetText("30");
       },
       &f.CmdTest},
      {"loop 256",
       [&] {
         f.TxtMaxport.SetText("30");
         ChooseEffect(0);
         f.TxtLoop.SetText("256");
       },
       &f.CmdTest},
      {"no code", [&] { ChooseEffect(3); }, &f.CmdTest, "\"Chọn kiểu hiệu ứng ?\" has no effect code"},
      {"code -1", [&] { ChooseEffect(4); }, &f.CmdTest},
      {"empty end",
       [&] {
         ChooseEffect(0);
         f.TxtB.SetText("");
       },
       &f.CmdTest},
      {"upload capacity 300",
       [&] {
         ChoosePort(1);
         f.TxtMaxport.SetText("300");
       },
       &f.CmdSEND},
      {"closed: SEND", closed, &f.CmdSEND},
      {"closed: TEST", [] {}, &f.CmdTest},
      {"closed: Program", [] {}, &f.CmdMaxport},
  };
  for (const Case& c : cases) {
    c.prepare();
    messages.shown.clear();
    c.button->SetEnabled(true);
    c.button->PerformClick();
    EXPECT_EQ(Sent(), 0u) << c.what;
    ASSERT_EQ(messages.shown.size(), 1u) << c.what;
    EXPECT_NE(messages.shown[0].find("nothing was sent"), std::string::npos) << c.what << ": " << messages.shown[0];
    EXPECT_NE(messages.shown[0].find(c.says), std::string::npos) << c.what << ": " << messages.shown[0];
  }
  EXPECT_EQ(Rows("SELECT * FROM MaxPort ORDER BY Port"), caps);
}

class OlderRows : public BoardCommands {
  std::string ExtraSql() const override {
    return BoardCommands::ExtraSql() +
           "INSERT INTO PORT2 VALUES (1, 7, 'a', 5, 1, 1, 40), (2, 7, 'b', 5, 300, 1, 40);\n";
  }
};

TEST_F(OlderRows, AStoredValueBeyondOneByteIsNamedWithItsRow) {
  ChoosePort(2);
  form->CmdSEND.PerformClick();
  EXPECT_EQ(Sent(), 0u);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("STT 2"), std::string::npos) << messages.shown[0];
  EXPECT_NE(messages.shown[0].find("300"), std::string::npos) << messages.shown[0];
}

}  // namespace
}  // namespace zl::test
