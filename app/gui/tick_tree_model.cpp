#include "app/gui/tick_tree_model.h"

namespace zandrel {

TickTreeModel::TickTreeModel(QObject* parent) : QAbstractItemModel(parent), children_(1) {}

int TickTreeModel::ParentForNext(int level) {
  while (!open_.empty() && items_[static_cast<size_t>(open_.back())].level >= level) open_.pop_back();
  return open_.empty() ? -1 : open_.back();
}

void TickTreeModel::Link(int item, int parent) {
  std::vector<int>& siblings = ChildrenOf(parent);
  parent_.push_back(parent);
  row_.push_back(static_cast<int>(siblings.size()));
  siblings.push_back(item);
  children_.emplace_back();
  open_.push_back(item);
}

void TickTreeModel::Reset(std::vector<TreeItem> items) {
  beginResetModel();
  items_.clear();
  parent_.clear();
  row_.clear();
  children_.assign(1, {});
  open_.clear();
  items_ = std::move(items);
  parent_.reserve(items_.size());
  row_.reserve(items_.size());
  children_.reserve(items_.size() + 1);
  for (size_t i = 0; i < items_.size(); ++i) {
    const int item = static_cast<int>(i);
    Link(item, ParentForNext(items_[i].level));
  }
  endResetModel();
}

void TickTreeModel::Append(const std::vector<TreeItem>& items) {
  // Consecutive siblings go in with one insertion each, so a batch costs a few signals, not one
  // per item.
  size_t i = 0;
  while (i < items.size()) {
    const int first = ItemCount();
    const int parent = ParentForNext(items[i].level);
    size_t end = i + 1;
    while (end < items.size() && items[end].level == items[i].level) ++end;
    const int row = static_cast<int>(ChildrenOf(parent).size());
    beginInsertRows(IndexOf(parent), row, row + static_cast<int>(end - i) - 1);
    for (size_t k = i; k < end; ++k) {
      items_.push_back(items[k]);
      if (k > i) open_.pop_back();  // the previous sibling
      Link(first + static_cast<int>(k - i), parent);
    }
    endInsertRows();
    i = end;
  }
}

QModelIndex TickTreeModel::IndexOf(int item) const {
  if (item < 0 || item >= ItemCount()) return QModelIndex();
  return createIndex(row_[static_cast<size_t>(item)], 0, static_cast<quintptr>(item));
}

int TickTreeModel::ItemOf(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return -1;
  return static_cast<int>(index.internalId());
}

bool TickTreeModel::SetTick(int item, bool ticked) {
  if (item < 0 || item >= ItemCount()) return false;
  const int tick = ticked ? 1 : 0;
  if (items_[static_cast<size_t>(item)].tick == tick) return false;
  const int level = items_[static_cast<size_t>(item)].level;
  size_t end = static_cast<size_t>(item) + 1;
  while (end < items_.size() && items_[end].level > level) ++end;
  for (size_t k = static_cast<size_t>(item); k < end; ++k) items_[k].tick = tick;
  AnnounceTicks(item, static_cast<int>(end));
  emit TicksChanged(item, static_cast<int>(end) - 1, ticked);
  return true;
}

void TickTreeModel::SetAllTicks(bool ticked) {
  if (items_.empty()) return;
  for (TreeItem& item : items_) item.tick = ticked ? 1 : 0;
  const std::vector<int>& tops = ChildrenOf(-1);
  emit dataChanged(IndexOf(tops.front()), IndexOf(tops.back()), {Qt::CheckStateRole});
  AnnounceTicks(0, ItemCount());
  emit TicksChanged(0, ItemCount() - 1, ticked);
}

// Tells the views that items first..end-1 changed: the first one itself and the children of every
// item in the range, a run of siblings at a time.
void TickTreeModel::AnnounceTicks(int first, int end) {
  emit dataChanged(IndexOf(first), IndexOf(first), {Qt::CheckStateRole});
  for (int k = first; k < end; ++k) {
    const std::vector<int>& kids = ChildrenOf(k);
    if (!kids.empty()) emit dataChanged(IndexOf(kids.front()), IndexOf(kids.back()), {Qt::CheckStateRole});
  }
}

QModelIndex TickTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return QModelIndex();
  const int p = parent.isValid() ? ItemOf(parent) : -1;
  if (parent.isValid() && p < 0) return QModelIndex();
  const std::vector<int>& kids = ChildrenOf(p);
  if (static_cast<size_t>(row) >= kids.size()) return QModelIndex();
  return createIndex(row, 0, static_cast<quintptr>(kids[static_cast<size_t>(row)]));
}

QModelIndex TickTreeModel::parent(const QModelIndex& child) const {
  const int item = ItemOf(child);
  if (item < 0) return QModelIndex();
  return IndexOf(parent_[static_cast<size_t>(item)]);
}

int TickTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  const int p = parent.isValid() ? ItemOf(parent) : -1;
  if (parent.isValid() && p < 0) return 0;
  return static_cast<int>(ChildrenOf(p).size());
}

int TickTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool TickTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant TickTreeModel::data(const QModelIndex& index, int role) const {
  const int item = ItemOf(index);
  if (item < 0) return QVariant();
  const TreeItem& it = items_[static_cast<size_t>(item)];
  if (role == Qt::DisplayRole) return it.text;
  if (role == Qt::CheckStateRole) return it.tick == 1 ? Qt::Checked : Qt::Unchecked;
  return QVariant();
}

bool TickTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole) return false;
  return SetTick(ItemOf(index), value.toInt() == Qt::Checked);
}

Qt::ItemFlags TickTreeModel::flags(const QModelIndex& index) const {
  if (ItemOf(index) < 0) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

}  // namespace zandrel
