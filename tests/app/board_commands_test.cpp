#include <gtest/gtest.h>

#include <QByteArray>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

// Port 1 rows 1, 2, 5 (a gap), stored out of order; port 3 one row with
// start and end values that are never sent.
class BoardCommands : public FormTest {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT1 VALUES (5, 9, 'c', 255, 3, 254, 253), (1, 7, 'a', 5, 1, 1, 40),"
           " (2, 12, 'b', 10, 2, 5, 20);\n"
           "INSERT INTO PORT3 VALUES (1, 2, 'x', 4, 3, 999, 999);\n";
  }
  std::string LastFrame() const {
    const std::string last = serial.writes.empty() ? "" : serial.writes.back();
    return QByteArray::fromStdString(last).toHex(' ').toUpper().toStdString();
  }
  // Writes after the connect frame.
  std::size_t Sent() const { return serial.writes.size() - 1; }
};

// Records are code, loop, time, start, end, sent in number order; values
// equal to the markers go out as they are. Port 3 sends three-byte records.
// On port 2 the field's capacity goes out while the file keeps its own, and
// TEST stores nothing: the upload after it holds one record.
TEST_F(BoardCommands, TestAndSendCarryEachPortsRecordsAndTheFieldsCapacity) {
  ChoosePort(1);
  form->CmdSEND.PerformClick();
  EXPECT_EQ(LastFrame(), "FE FD FC 28 07 01 05 01 28 0C 02 0A 05 14 09 03 FF FE FD FF");
  form->CmdSEND.PerformClick();
  ASSERT_EQ(Sent(), 2u);
  EXPECT_EQ(serial.writes[1], serial.writes[2]);

  ChoosePort(3);
  form->CmdSEND.PerformClick();
  EXPECT_EQ(LastFrame(), "FE FD FA 14 02 03 04 FF");
  ChooseEffect(1);  // "02 Border two"
  form->CmdTest.PerformClick();
  EXPECT_EQ(LastFrame(), "FE FD F7 14 02 01 05 FF");

  ChoosePort(2);  // empty list: the capacity can be edited
  form->TxtMaxport.SetText("100");
  ChooseEffect(1);  // code 12
  form->TxtB.SetText("30");
  form->CmdTest.PerformClick();
  EXPECT_EQ(LastFrame(), "FE FD F8 64 0C 01 05 01 1E FF");
  form->CmdAdd.PerformClick();
  EXPECT_EQ(Rows("SELECT STT FROM PORT2"), "1\n");
  form->CmdSEND.PerformClick();
  EXPECT_EQ(LastFrame(), "FE FD FB 64 0C 01 05 01 1E FF");
  EXPECT_EQ(Rows("SELECT MaxValue FROM MaxPort WHERE Port=2"), "30\n");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(BoardCommands, ProgramSendsTheCapacityAndThenStoresIt) {
  ChoosePort(2);
  form->TxtMaxport.SetText("100");
  std::string stored_at_write;
  serial.on_write = [&] { stored_at_write = Rows("SELECT MaxValue FROM MaxPort WHERE Port=2"); };
  form->CmdMaxport.PerformClick();
  EXPECT_EQ(stored_at_write, "30\n");  // the frame leaves first
  EXPECT_EQ(LastFrame(), "FE FD F4 64 FF");
  form->CmbPORT.Choose(2);
  form->TxtMaxport.SetText("0");  // port 3 has rows; the field is set by code here
  form->CmdMaxport.PerformClick();
  EXPECT_EQ(LastFrame(), "FE FD F3 00 FF");
  EXPECT_EQ(Rows("SELECT Port, MaxValue FROM MaxPort ORDER BY Port"), "1|40\n2|100\n3|0\n");
}

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
