// The frames themselves are proven by RandomOperator; here, what each
// refusal says.
#include <gtest/gtest.h>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

// Port 1 one row (capacity 40); port 2 a row written elsewhere with a Loop
// beyond one byte; port 3 empty.
class BoardCommands : public FormTest {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT1 VALUES (1, 7, 'a', 5, 1, 1, 40);\n"
           "INSERT INTO PORT2 VALUES (1, 7, 'a', 5, 1, 1, 40), (2, 7, 'b', 5, 300, 1, 40);\n";
  }
};

// A failed write would say the link was lost instead.
TEST_F(BoardCommands, RefusalsSendAndStoreNothing) {
  const std::string caps = Rows("SELECT * FROM MaxPort ORDER BY Port");
  FrmForm& f = *form;
  const struct {
    int port, effect;  // the effect -1: none chosen
    TextField* field;
    const char* text;
    Button* button;
    const char* says;
  } cases[] = {
      {3, -1, nullptr, "", &f.CmdSEND, "The list of PORT3 is empty; nothing was sent."},
      {2, -1, nullptr, "", &f.CmdSEND,
       "Row STT 2 of PORT2: Loop \"300\" does not fit one byte (0 to 255); nothing was sent."},
      {1, -1, &f.TxtMaxport, "300", &f.CmdSEND,
       "The capacity value \"300\" does not fit one byte (0 to 255); nothing was sent."},
      {1, 0, &f.TxtMaxport, "300", &f.CmdTest,
       "The capacity value \"300\" does not fit one byte (0 to 255); nothing was sent."},
      {1, -1, &f.TxtMaxport, "300", &f.CmdMaxport,
       "The capacity value \"300\" is not a number from 0 to 255; nothing was sent or stored."},
      {1, -1, &f.TxtMaxport, "?", &f.CmdMaxport,
       "The capacity value \"?\" is not a number from 0 to 255; nothing was sent or stored."},
      {1, 0, &f.TxtLoop, "256", &f.CmdTest, "Loop \"256\" is not a number from 0 to 255; nothing was sent."},
      {1, 0, &f.TxtB, "", &f.CmdTest, "End \"\" is not a number from 0 to 255; nothing was sent."},
      {1, 3, nullptr, "", &f.CmdTest, "The effect \"Chọn kiểu hiệu ứng ?\" has no effect code; nothing was sent."},
      {1, 4, nullptr, "", &f.CmdTest, "The effect code -1 does not fit one byte; nothing was sent."},
  };
  const std::size_t writes = serial.writes.size() + 1;  // the connect frame to come
  for (const auto& c : cases) {
    ChoosePort(c.port);
    if (c.effect >= 0) ChooseEffect(c.effect);
    if (c.field) c.field->SetText(c.text);
    messages.shown.clear();
    c.button->SetEnabled(true);
    c.button->PerformClick();
    ASSERT_EQ(messages.shown.size(), 1u) << c.says;
    EXPECT_EQ(messages.shown[0], c.says);
  }
  // DISCONNECT leaves the commands enabled: the operator can reach these.
  ChoosePort(1);
  ChooseEffect(0);
  f.CmdConnect.PerformClick();
  for (Button* b : {&f.CmdSEND, &f.CmdTest, &f.CmdMaxport}) {
    messages.shown.clear();
    ASSERT_TRUE(b->Enabled()) << b->Name();
    b->PerformClick();
    ASSERT_EQ(messages.shown.size(), 1u) << b->Name();
    EXPECT_EQ(messages.shown[0], "The serial port is not open: press CONNECT first; nothing was sent.");
  }
  EXPECT_EQ(serial.writes.size(), writes);
  EXPECT_EQ(Rows("SELECT * FROM MaxPort ORDER BY Port"), caps);
}

}  // namespace
}  // namespace zl::test
