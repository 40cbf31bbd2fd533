#include <gtest/gtest.h>

#include "entry/numbers.h"
#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

class NumericFields : public FormTest {
 protected:
  std::string ExtraSql() const override { return kCatalogueSql; }
  void SetUp() override {
    FormTest::SetUp();
    ChoosePort(1);
    ChooseEffect(0);
  }
  // Types `text` into a field that has the focus with its text selected,
  // then leaves it for the next field.
  std::string Leave(TextField& field, const std::string& text) {
    field.SetText(text);
    field.SetFocus();
    form->CmdAdd.SetFocus();
    return field.Text();
  }
};

TEST_F(NumericFields, TakeDigitsAndBackspaceOnly) {
  FrmForm& f = *form;
  for (TextField* t : {&f.TxtLoop, &f.TxtDelay, &f.TxtA, &f.TxtB}) {
    t->SetText("12");
    t->SetSelStart(2);
    for (char c : std::string("a- .\r")) t->TypeChar(c);
    EXPECT_EQ(t->Text(), "12") << t->Name();
    t->TypeChar(8);
    t->TypeChar('7');
    EXPECT_EQ(t->Text(), "17") << t->Name();
  }
}

TEST_F(NumericFields, LoopTimeAndStartAreRaisedToOneWhenLeft) {
  FrmForm& f = *form;
  for (TextField* t : {&f.TxtLoop, &f.TxtDelay, &f.TxtA}) {
    EXPECT_EQ(Leave(*t, "0"), "1") << t->Name();
    EXPECT_EQ(Leave(*t, "00"), "1") << t->Name();
    EXPECT_EQ(Leave(*t, ""), "1") << t->Name();
    EXPECT_EQ(Leave(*t, "007"), "007") << t->Name();
    EXPECT_EQ(Leave(*t, "99999"), "99999") << t->Name();
  }
  // Start is never compared with End or the capacity.
  EXPECT_EQ(Leave(f.TxtA, "300"), "300");
}

TEST_F(NumericFields, EndIsPulledIntoOneToTheCapacity) {
  FrmForm& f = *form;
  f.CmbPORT.Choose(0);  // the list is empty, so the capacity can be edited
  f.TxtMaxport.SetText("20");
  ChooseEffect(0);
  EXPECT_EQ(Leave(f.TxtB, "25"), "20");
  EXPECT_EQ(Leave(f.TxtB, "0"), "20");
  EXPECT_EQ(Leave(f.TxtB, "7"), "7");
  EXPECT_EQ(Leave(f.TxtB, ""), "20");
  f.TxtMaxport.SetText(" 20 ");
  EXPECT_EQ(Leave(f.TxtB, "25"), "20");  // above the capacity: the text trimmed
  EXPECT_EQ(Leave(f.TxtB, "0"), " 20 ");  // below one: the text as it stands
  f.TxtMaxport.SetText("0");
  EXPECT_EQ(Leave(f.TxtB, "5"), "0");
  f.TxtMaxport.SetText("?");  // no number: no upper bound
  EXPECT_EQ(Leave(f.TxtB, "25"), "25");
  EXPECT_EQ(Leave(f.TxtB, "0"), "?");
}

TEST_F(NumericFields, EveryChangeOfTheCapacityKeepsTheCapacityByteCurrent) {
  FrmForm& f = *form;
  TextField& max = f.TxtMaxport;
  max.SetSelStart(0);
  max.SetSelLength(2);
  max.TypeChar(8);  // deleting every digit
  EXPECT_EQ(max.Text(), "0");
  EXPECT_EQ(max.SelStart(), 0);
  EXPECT_EQ(max.SelLength(), 1);
  EXPECT_EQ(f.MaxByte, std::string(1, '\0'));
  max.TypeChar('1');
  EXPECT_EQ(f.MaxByte, "\x01");
  max.TypeChar('2');
  EXPECT_EQ(max.Text(), "12");
  EXPECT_EQ(f.MaxByte, "\x0C");
  max.SetText("255");
  EXPECT_EQ(f.MaxByte, "\xFF");
  max.SetText("256");
  EXPECT_TRUE(f.MaxByte.empty());  // not sendable
  max.SetText("99999");
  EXPECT_TRUE(f.MaxByte.empty());
  f.ResetControls();
  EXPECT_EQ(f.MaxByte, "\x01");
}

TEST(Numbers, ConvertWholeSixteenBitNumbersOnly) {
  EXPECT_EQ(ToInt16(" 007 "), 7);
  EXPECT_EQ(ToInt16("-32768"), -32768);
  EXPECT_EQ(ToInt16("32767"), 32767);
  EXPECT_FALSE(ToInt16("32768"));
  EXPECT_FALSE(ToInt16("123456789012345678901234567890"));
  EXPECT_FALSE(ToInt16(""));
  EXPECT_FALSE(ToInt16("1 2"));
  EXPECT_FALSE(ToInt16("-"));
  EXPECT_FALSE(ToInt16("1.0"));
  EXPECT_TRUE(IsNumeric(" 1.5e3 "));
  EXPECT_TRUE(IsNumeric("-2"));
  EXPECT_FALSE(IsNumeric("?"));
  EXPECT_FALSE(IsNumeric("1e"));
  EXPECT_FALSE(IsNumeric("."));
}

}  // namespace
}  // namespace zl::test
