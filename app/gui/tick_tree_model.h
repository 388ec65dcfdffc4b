// The tree of tick boxes that the ignore-list window and the torrent views show: a flat list of
// items in tree order (each with its level), presented to a QTreeView without one widget call per
// item, so that trees of hundreds of thousands of items open at once.
#pragma once

#include <QAbstractItemModel>
#include <vector>

#include "torrent/torrent_listing.h"

namespace zandrel {

class TickTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit TickTreeModel(QObject* parent = nullptr);

  // Replaces every item. Items are in tree order: an item's parent is the nearest earlier item of
  // a smaller level. An item's tick (1 or 0) is the recorded tick; the box shows it.
  void Reset(std::vector<TreeItem> items);
  // Adds items after the last one, as further parts of the same tree order.
  void Append(const std::vector<TreeItem>& items);

  const std::vector<TreeItem>& Items() const { return items_; }
  int ItemCount() const { return static_cast<int>(items_.size()); }
  QModelIndex IndexOf(int item) const;
  int ItemOf(const QModelIndex& index) const;

  // A click's new box state for an item. When it differs from the item's recorded tick, the item
  // and its whole subtree take it; ancestors keep theirs. Otherwise nothing changes. True when
  // something changed.
  bool SetTick(int item, bool ticked);
  // Select all / Select none.
  void SetAllTicks(bool ticked);

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // Items first..last (a subtree, or every item) took this tick.
  void TicksChanged(int first, int last, bool ticked);

 private:
  // Children lists are kept per item plus one for the top: slot 0 is the top, slot i + 1 item i.
  std::vector<int>& ChildrenOf(int item) { return children_[static_cast<size_t>(item + 1)]; }
  const std::vector<int>& ChildrenOf(int item) const { return children_[static_cast<size_t>(item + 1)]; }
  int ParentForNext(int level);
  void Link(int item, int parent);
  void AnnounceTicks(int first, int end);

  std::vector<TreeItem> items_;
  std::vector<int> parent_;  // -1 for a top item
  std::vector<int> row_;     // position among its parent's children
  std::vector<std::vector<int>> children_;
  std::vector<int> open_;    // the last item's ancestors and itself, outermost first
};

}  // namespace zandrel
