#include "ui/qt/widgets.h"

#include <QByteArray>
#include <QCloseEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cstdlib>

#include "text/vni.h"

namespace zl {

QString Shown(const std::string& vni) { return QString::fromStdString(VniToUtf8(vni)); }

int Px(int twips) { return qRound(twips / 15.0); }
QRect PxRect(const Rect& r) { return {Px(r.left), Px(r.top), Px(r.width), Px(r.height)}; }

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

// The design's font is an 8-bit Vietnamese Times; the texts are decoded, so
// any Times-like serif with Vietnamese letters draws them: Liberation or
// DejaVu where installed, else Windows' own Times New Roman.
QFont ToQFont(const Font& f) {
  QFont q;
  q.setFamilies(
      {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif"), QStringLiteral("Times New Roman")});
  q.setStyleHint(QFont::Serif);
  q.setPointSizeF(f.points);
  q.setBold(f.bold);
  return q;
}

void SetTextColour(QWidget* w, QPalette::ColorRole role, Rgb c) {
  QPalette p = w->palette();
  p.setColor(QPalette::Active, role, ToQColor(c));
  p.setColor(QPalette::Inactive, role, ToQColor(c));
  w->setPalette(p);
}

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

std::string ToLatin1(const QString& s) {
  const QByteArray b = s.toLatin1();
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

void PanelFrame::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void PanelFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QColor(160, 160, 160));
  p.setBrush(fill_);
  p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
  if (!caption_.isEmpty()) {
    p.setPen(fore_);
    p.drawText(rect().adjusted(6, 2, -6, -2), Qt::AlignLeft | Qt::AlignTop, caption_);
  }
}

LineWidget::LineWidget(QWidget* parent, const Line& line) : QWidget(parent), colour_(ToQColor(line.fore)) {
  const int x1 = Px(line.x1), y1 = Px(line.y1), x2 = Px(line.x2), y2 = Px(line.y2);
  const QPoint origin(std::min(x1, x2), std::min(y1, y2));
  from_ = QPoint(x1, y1) - origin;
  to_ = QPoint(x2, y2) - origin;
  setGeometry(origin.x(), origin.y(), std::abs(x2 - x1) + 1, std::abs(y2 - y1) + 1);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(QPen(colour_, 1));
  p.drawLine(from_, to_);
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return Shown(grid_.CellText(index.row(), index.column()));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= static_cast<int>(grid_.columns.size()))
    return {};
  return Shown(grid_.columns[section].caption);
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool GridModel::Refresh() {
  const int rows = grid_.Rows();
  const int cols = static_cast<int>(grid_.columns.size());
  if (rows != rows_ || cols != cols_) {
    beginResetModel();
    rows_ = rows;
    cols_ = cols;
    endResetModel();
    return true;
  }
  if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
  if (cols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
  return false;
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (!may_close || may_close())
    e->accept();
  else
    e->ignore();
}

bool MainWindow::event(QEvent* e) {
  const bool handled = QMainWindow::event(e);
  const QEvent::Type t = e->type();
  if (placed && (t == QEvent::Move || t == QEvent::Resize || t == QEvent::WindowActivate)) placed();
  return handled;
}

}  // namespace zl
