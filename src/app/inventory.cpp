#include "app/frm_form.h"

#include <algorithm>
#include <cstdlib>

#include "text/cp1252.h"

namespace zl {
namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kLightGrey{192, 192, 192};
constexpr Rgb kDarkBlue{0, 0, 192};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kDarkRed{192, 0, 0};
constexpr Rgb kRed{255, 0, 0};

constexpr Font kRegular{14.25, false};
constexpr Font kBold{14.25, true};
constexpr Font kBold12{12, true};

void Place(Window& w, Control& c, Control* container, Rect place, Font font, Rgb fore, int tab,
           Align align = Align::Left) {
  c.container = container;
  c.place = place;
  c.font = font;
  c.fore = fore;
  c.tab_index = tab;
  c.align = align;
  c.AttachFocus(&w.focus);
  w.controls.push_back(&c);
}

void PlaceLine(Window& w, Line& l, Control* container, int x1, int y1, int x2, int y2) {
  l.container = container;
  l.x1 = x1, l.y1 = y1, l.x2 = x2, l.y2 = y2;
  l.place = {std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1), std::abs(y2 - y1)};
  l.fore = kLightGrey;
  w.controls.push_back(&l);
}

}  // namespace

void BuildInventory(FrmForm& f) {
  Window& w = f.window;
  w.title = "Nap phan men cho Zentrel V2.0";
  w.client_width = 15240;
  w.client_height = 8040;
  w.font = kRegular;

  Place(w, f.XPFrame1, nullptr, {120, 120, 10335, 735}, kRegular, kBlack, 16);
  Place(w, f.CmbCOM, &f.XPFrame1, {120, 120, 1575, 480}, kRegular, kBlack, 0);
  Place(w, f.CmdConnect, &f.XPFrame1, {1800, 120, 2055, 495}, kBold, kDarkBlue, 1);
  PlaceLine(w, f.Line1, &f.XPFrame1, 3960, 120, 3960, 600);
  Place(w, f.CmbPORT, &f.XPFrame1, {4080, 120, 2175, 480}, kRegular, kBlack, 2);
  Place(w, f.Label1, &f.XPFrame1, {6360, 120, 1575, 375}, kBold, kBlack, 18);
  Place(w, f.TxtMaxport, &f.XPFrame1, {7800, 120, 975, 495}, kBold, kBlack, 12, Align::Center);
  Place(w, f.CmdMaxport, &f.XPFrame1, {8880, 120, 1335, 495}, kRegular, kRed, 13);

  Place(w, f.XPFrame2, nullptr, {120, 960, 10335, 6975}, kRegular, kBlack, 17);
  Place(w, f.Label4, &f.XPFrame2, {6840, 120, 555, 315}, kBold12, kBlack, 24, Align::Center);
  Place(w, f.Label5, &f.XPFrame2, {7560, 120, 555, 315}, kBold12, kBlack, 25, Align::Center);
  Place(w, f.Label2, &f.XPFrame2, {8280, 120, 1095, 375}, kBold12, kBlack, 21, Align::Center);
  Place(w, f.Label3, &f.XPFrame2, {9360, 120, 855, 375}, kBold12, kBlack, 22, Align::Center);
  Place(w, f.CmbFunc, &f.XPFrame2, {120, 480, 6495, 480}, kRegular, kBlack, 3);
  Place(w, f.TxtLoop, &f.XPFrame2, {6840, 480, 615, 495}, kRegular, kBlack, 4, Align::Center);
  Place(w, f.TxtDelay, &f.XPFrame2, {7560, 480, 735, 495}, kRegular, kBlack, 5, Align::Center);
  Place(w, f.TxtA, &f.XPFrame2, {8400, 480, 855, 495}, kRegular, kBlack, 6, Align::Center);
  Place(w, f.TxtB, &f.XPFrame2, {9360, 480, 855, 495}, kRegular, kBlack, 7, Align::Center);
  PlaceLine(w, f.Line2, &f.XPFrame2, 120, 1080, 6720, 1080);
  PlaceLine(w, f.Line4, &f.XPFrame2, 6720, 480, 6720, 1680);
  Place(w, f.LabConnect, &f.XPFrame2, {120, 1200, 2175, 375}, kBold, kDarkBlue, 23, Align::Center);
  Place(w, f.CmdDOWN, &f.XPFrame2, {2280, 1200, 1095, 495}, kBold, kBlue, 14);
  Place(w, f.CmdUP, &f.XPFrame2, {3480, 1200, 1095, 495}, kBold, kBlue, 15);
  Place(w, f.CmdSEND, &f.XPFrame2, {4680, 1200, 1935, 495}, kBold, kRed, 11);
  Place(w, f.CmdAdd, &f.XPFrame2, {6840, 1200, 1335, 495}, kBold, kDarkBlue, 9);
  Place(w, f.CmdDEL, &f.XPFrame2, {8280, 1200, 735, 495}, kBold, kDarkRed, 10);
  Place(w, f.CmdTest, &f.XPFrame2, {9120, 1200, 1095, 495}, kBold, kBlue, 8);
  PlaceLine(w, f.Line3, &f.XPFrame2, 120, 1800, 10200, 1800);
  Place(w, f.DataGrid, &f.XPFrame2, {120, 1920, 10095, 4935}, kRegular, kBlack, 20);

  Place(w, f.XPFrame3, nullptr, {10560, 120, 4575, 7815}, kRegular, kBlack, 19);

  f.CmbCOM.SetText("COM ?");
  f.CmdConnect.SetCaption("CONNECT");
  f.CmbPORT.SetText("PORT ?");
  f.Label1.SetCaption("MaxPort =");
  f.CmdMaxport.SetCaption("Program");
  f.Label4.SetCaption("Loop");
  f.Label5.SetCaption("Time");
  f.Label2.SetCaption("Start");
  f.Label3.SetCaption("End");
  f.CmdDOWN.SetCaption("DOWN");
  f.CmdUP.SetCaption("UP");
  f.CmdSEND.SetCaption("SENDING...");
  f.CmdAdd.SetCaption("ADD");
  f.CmdDEL.SetCaption("DEL");
  f.CmdTest.SetCaption("TEST");

  f.DataGrid.columns = {
      {"STT", "STT", 735},    {Utf8ToCp1252("Kieåu hieäu öùng"), "NameFunc", 5640},
      {"Loop", "Loop", 795},  {"Time", "Delay", 750},
      {"Start", "TxtA", 750}, {"End", "TxtB", 780},
  };

  f.MnuFile.items = {&f.MnuNew, &f.MnuOpen, &f.MnuSave, &f.MnuSpace1, &f.MnuExit};
  w.menus = {&f.MnuFile};
}

}  // namespace zl
