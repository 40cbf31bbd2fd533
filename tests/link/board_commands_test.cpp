#include <gtest/gtest.h>

#include "link/frames.h"
#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

TEST(Frames, BuildTheWorkedExamples) {
  using frames::Byte;
  using frames::EffectRecord;
  const std::string start = Byte(0xFE) + Byte(0xFD), end = Byte(0xFF);
  EXPECT_EQ(Hex(frames::Frame(start, Byte(0xFC), Byte(40) + EffectRecord(true, 3, 2, 5, 1, 40) +
                                             EffectRecord(true, 7, 1, 10, 5, 20),
                      end)),
            "FE FD FC 28 03 02 05 01 28 07 01 0A 05 14 FF");
  EXPECT_EQ(Hex(frames::Frame(start, Byte(0xF7), Byte(10) + EffectRecord(false, 2, 3, 4, 9, 9), end)),
            "FE FD F7 0A 02 03 04 FF");
  EXPECT_EQ(Hex(frames::Frame(start, Byte(0xF4), Byte(100), end)), "FE FD F4 64 FF");
}

// Port 1 rows 1, 2, 5 (a gap), stored out of order; port 3 one row with
// start and end values that are never sent.
class BoardCommands : public FormTest {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT1 VALUES (5, 9, 'c', 255, 3, 254, 253), (1, 7, 'a', 5, 1, 1, 40),"
           " (2, 12, 'b', 10, 2, 5, 20);\n"
           "INSERT INTO PORT3 VALUES (1, 2, 'x', 4, 3, 999, 999);\n" +
           MoreSql();
  }
  virtual std::string MoreSql() const { return {}; }
  std::string LastFrame() const { return serial.writes.empty() ? "" : Hex(serial.writes.back()); }
  // Writes after the connect frame.
  std::size_t Sent() const { return serial.writes.size() - 1; }
};

TEST_F(BoardCommands, SendUploadsTheWholeListInNumberOrder) {
  ChoosePort(1);
  form->CmdSEND.PerformClick();
  EXPECT_EQ(LastFrame(), "FE FD FC 28 07 01 05 01 28 0C 02 0A 05 14 09 03 FF FE FD FF");
  form->CmdSEND.PerformClick();
  ASSERT_EQ(Sent(), 2u);
  EXPECT_EQ(serial.writes[1], serial.writes[2]);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(BoardCommands, SignPortThreeSendsThreeByteRecords) {
  ChoosePort(3);
  form->CmdSEND.PerformClick();
  EXPECT_EQ(LastFrame(), "FE FD FA 14 02 03 04 FF");
  ChooseEffect(1);  // "02 Border two"
  form->CmdTest.PerformClick();
  EXPECT_EQ(LastFrame(), "FE FD F7 14 02 01 05 FF");
}

TEST_F(BoardCommands, AnUploadCarriesTheEditedCapacityWhileTheFileKeepsTheOld) {
  ChoosePort(2);  // empty list: the capacity can be edited
  form->TxtMaxport.SetText("100");
  ChooseEffect(1);
  form->CmdAdd.PerformClick();
  form->CmdSEND.PerformClick();
  EXPECT_EQ(LastFrame(), "FE FD FB 64 0C 01 05 01 64 FF");
  EXPECT_EQ(Rows("SELECT MaxValue FROM MaxPort WHERE Port=2"), "30\n");
}

TEST_F(BoardCommands, TestSendsThePreparedEffectAndStoresNothing) {
  ChoosePort(2);
  form->TxtMaxport.SetText("30");
  ChooseEffect(1);  // code 12
  form->TxtB.SetText("30");
  form->CmdTest.PerformClick();
  EXPECT_EQ(LastFrame(), "FE FD F8 1E 0C 01 05 01 1E FF");
  EXPECT_EQ(form->NextStt, 1);
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT2"), "0\n");
  EXPECT_TRUE(form->CmdAdd.Enabled());
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

TEST_F(BoardCommands, RefusalsSendAndStoreNothing) {
  ChoosePort(2);
  const std::string caps = Rows("SELECT * FROM MaxPort ORDER BY Port");
  struct Case {
    const char* what;
    std::function<void()> prepare;
    Button* button;
  };
  FrmForm& f = *form;
  const Case cases[] = {
      {"empty list", [] {}, &f.CmdSEND},
      {"capacity 300", [&] { f.TxtMaxport.SetText("300"); }, &f.CmdMaxport},
      {"capacity ?", [&] { f.TxtMaxport.SetText("?"); }, &f.CmdMaxport},
      {"capacity byte 300",
       [&] {
         f.TxtMaxport.SetText("300");
         ChooseEffect(0);
       },
       &f.CmdTest},
      {"loop 256",
       [&] {
         f.TxtMaxport.SetText("30");
         ChooseEffect(0);
         f.TxtLoop.SetText("256");
       },
       &f.CmdTest},
      {"no code", [&] { ChooseEffect(3); }, &f.CmdTest},
      {"empty end",
       [&] {
         ChooseEffect(0);
         f.TxtB.SetText("");
       },
       &f.CmdTest},
  };
  for (const Case& c : cases) {
    c.prepare();
    messages.shown.clear();
    c.button->SetEnabled(true);
    c.button->PerformClick();
    EXPECT_EQ(Sent(), 0u) << c.what;
    EXPECT_EQ(messages.shown.size(), 1u) << c.what;
  }
  EXPECT_EQ(Rows("SELECT * FROM MaxPort ORDER BY Port"), caps);
}

TEST_F(BoardCommands, NothingIsSentWhileThePortIsClosed) {
  ChoosePort(1);
  ChooseEffect(0);
  form->CmdConnect.PerformClick();  // DISCONNECT; the send buttons stay enabled
  for (Button* b : {&form->CmdSEND, &form->CmdTest, &form->CmdMaxport}) {
    ASSERT_TRUE(b->Enabled());
    b->PerformClick();
  }
  EXPECT_EQ(Sent(), 0u);
  EXPECT_EQ(messages.shown.size(), 3u);
  EXPECT_EQ(Rows("SELECT MaxValue FROM MaxPort WHERE Port=1"), "40\n");
}

TEST_F(BoardCommands, AFailedWriteClosesTheLinkAndProgramStoresNothing) {
  ChoosePort(1);
  serial.fail_writes = true;
  form->TxtMaxport.SetText("99");
  form->CmdMaxport.PerformClick();
  EXPECT_EQ(Rows("SELECT MaxValue FROM MaxPort WHERE Port=1"), "40\n");
  EXPECT_EQ(form->CmdConnect.Caption(), "CONNECT");
  EXPECT_FALSE(form->CmbPORT.Enabled());
  EXPECT_EQ(form->LabConnect.Caption(), "Not ! Connect");
  EXPECT_EQ(messages.shown.size(), 1u);
}

class OlderRows : public BoardCommands {
  std::string MoreSql() const override {
    return "INSERT INTO PORT2 VALUES (1, 7, 'a', 5, 1, 1, 40), (2, 7, 'b', 5, 300, 1, 40);\n";
  }
};

TEST_F(OlderRows, AStoredValueBeyondOneByteIsNamedWithItsRow) {
  ChoosePort(2);
  form->CmdSEND.PerformClick();
  EXPECT_EQ(Sent(), 0u);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("STT 2"), std::string::npos) << messages.shown[0];
  EXPECT_NE(messages.shown[0].find("300"), std::string::npos) << messages.shown[0];
  EXPECT_FALSE(form->Rs->IsOpen());
}

}  // namespace
}  // namespace zl::test
