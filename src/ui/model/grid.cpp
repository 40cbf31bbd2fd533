#include "ui/model/grid.h"

namespace zl {

Grid::~Grid() {
  if (source_) source_->Changed = nullptr;
}

void Grid::SetDataSource(Recordset* rs) {
  if (source_) source_->Changed = nullptr;
  source_ = nullptr;
  field_pos_.clear();
  if (rs) {
    std::vector<int> pos;
    for (const GridColumn& c : columns) pos.push_back(rs->FieldIndex(c.field));
    field_pos_ = std::move(pos);
    source_ = rs;
    source_->Changed = [this] { Notify(); };
  }
  Notify();
}

int Grid::Rows() const { return source_ && source_->IsOpen() ? source_->RecordCount() : 0; }

std::string Grid::CellText(int row, int column) const {
  if (!source_ || row < 0 || row >= Rows()) return {};
  return source_->FieldAt(row, field_pos_.at(column)).ToText();
}

int Grid::Row() const {
  if (Rows() == 0) return -1;
  return source_->Position();
}

void Grid::SetRow(int row) {
  if (row < 0 || row >= Rows()) return;
  source_->SetPosition(row);
  Notify();
}

void Grid::ClickRow(int row) {
  if (!Enabled()) return;
  SetRow(row);
  if (Click) Click();
}

void Grid::KeyToRow(int row) {
  if (!Enabled()) return;
  SetRow(row);
}

}  // namespace zl
