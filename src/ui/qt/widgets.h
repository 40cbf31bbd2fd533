// Internal to the Qt view: how design units, colours, fonts and 8-bit texts
// become Qt's, and the few widgets Qt has no ready-made one for.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QFrame>
#include <QMainWindow>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <string>

#include "ui/model/controls.h"
#include "ui/model/grid.h"

class QCloseEvent;
class QPaintEvent;

namespace zl {

// A VNI text decoded for display.
QString Shown(const std::string& vni);

// Design units are twips, 15 to a pixel.
int Px(int twips);
QRect PxRect(const Rect& r);

QColor ToQColor(Rgb c);
QFont ToQFont(const Font& f);

// Only the enabled look takes the colour; disabled controls stay grey.
void SetTextColour(QWidget* w, QPalette::ColorRole role, Rgb c);

// A text field's 8-bit text, one char per code, and back.
QString Latin1(const std::string& s);
std::string ToLatin1(const QString& s);

// A panel with a fill colour and an optional caption.
class PanelFrame : public QFrame {
 public:
  PanelFrame(QWidget* parent, QColor fill, QColor fore) : QFrame(parent), fill_(fill), fore_(fore) {}
  void SetCaption(const QString& caption);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QColor fill_, fore_;
  QString caption_;
};

// A one-pixel line between two design points, drawn in a widget covering
// just those points.
class LineWidget : public QWidget {
 public:
  LineWidget(QWidget* parent, const Line& line);
  QColor Colour() const { return colour_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QColor colour_;
  QPoint from_, to_;
};

// The grid's rows and columns for a QTableView. The shape is cached so the
// counts Qt sees change only at a reset.
class GridModel : public QAbstractTableModel {
 public:
  GridModel(Grid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) { Refresh(); }

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : cols_; }
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Catches up with the grid; true when the number of rows or columns
  // changed (a reset).
  bool Refresh();

 private:
  Grid& grid_;
  int rows_ = -1;
  int cols_ = -1;
};

// The top-level window; `may_close` decides whether a close goes ahead.
// `placed` runs whenever it moved, was resized or activated: the window
// manager's frame may have come or changed with it.
class MainWindow : public QMainWindow {
 public:
  std::function<bool()> may_close;
  std::function<void()> placed;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool event(QEvent* e) override;
};

}  // namespace zl
