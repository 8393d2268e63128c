#include "app/browser/browser_list_model.h"

#include <algorithm>
#include <unordered_set>

#include "app/browser/browser_item.h"
#include "app/browser/item_description.h"
#include "app/res/icons.h"

BrowserListModel::BrowserListModel(QObject* parent) : QAbstractListModel(parent) {}

int BrowserListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant BrowserListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole: return row.name;
        case Qt::DecorationRole: return icons::WithOverlay(row.image, row.overlay);
        case Qt::ToolTipRole: return row.toolTip.isEmpty() ? QVariant() : QVariant(row.toolTip);
        case Qt::AccessibleDescriptionRole: return row.description;
        case kImageRole: return row.image;
        case kOverlayRole: return row.overlay;
        default: return {};
    }
}

bool BrowserListModel::Row::SameLook(const Row& other) const {
    return item == other.item && overlay == other.overlay && image == other.image &&
           classOfDevice == other.classOfDevice && comPort == other.comPort && name == other.name;
}

// An item's address never changes; the rest of what its texts say is here.
BrowserListModel::Row BrowserListModel::Snapshot(CBrowserItem* item) {
    return {item, item->GetName(), item->GetImage(), item->GetOverlay(), item->GetClass(), item->GetComPort(), {}, {}};
}

void BrowserListModel::Describe(Row& row) {
    row.toolTip = item_description::ToolTipOf(*row.item);
    row.description = item_description::AccessibleOf(*row.item);
}

void BrowserListModel::set(int row, Row fresh) {
    Row& current = m_rows[static_cast<std::size_t>(row)];
    if (current.SameLook(fresh)) return;
    Describe(fresh);
    current = std::move(fresh);
    emit dataChanged(index(row), index(row));
}

void BrowserListModel::Update(const std::vector<CBrowserItem*>& items) {
    const std::unordered_set<const CBrowserItem*> listed(items.begin(), items.end());
    const bool anyKept = std::any_of(m_rows.begin(), m_rows.end(), [&](const Row& row) { return listed.count(row.item); });
    if (!anyKept) {
        // A new level: one reset, not a row at a time.
        beginResetModel();
        m_rows.clear();
        for (CBrowserItem* item : items) {
            m_rows.push_back(Snapshot(item));
            Describe(m_rows.back());
        }
        endResetModel();
        return;
    }
    for (int row = rowCount() - 1; row >= 0; --row) {
        if (m_rows[static_cast<std::size_t>(row)].item && listed.count(m_rows[static_cast<std::size_t>(row)].item)) continue;
        beginRemoveRows({}, row, row);
        m_rows.erase(m_rows.begin() + row);
        endRemoveRows();
    }
    for (int target = 0; target < static_cast<int>(items.size()); ++target) {
        CBrowserItem* item = items[static_cast<std::size_t>(target)];
        const bool inPlace = target < rowCount() && m_rows[static_cast<std::size_t>(target)].item == item;
        const int at = inPlace ? target : RowOf(item);
        if (at == target) {
            set(target, Snapshot(item));
        } else if (at > target) {
            beginMoveRows({}, at, at, {}, target);
            std::rotate(m_rows.begin() + target, m_rows.begin() + at, m_rows.begin() + at + 1);
            endMoveRows();
            set(target, Snapshot(item));
        } else {
            Row fresh = Snapshot(item);
            Describe(fresh);
            beginInsertRows({}, target, target);
            m_rows.insert(m_rows.begin() + target, std::move(fresh));
            endInsertRows();
        }
    }
}

void BrowserListModel::Clear() {
    if (m_rows.empty()) return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

CBrowserItem* BrowserListModel::Item(int row) const {
    if (row < 0 || row >= rowCount()) return nullptr;
    return m_rows[static_cast<std::size_t>(row)].item;
}

int BrowserListModel::RowOf(const CBrowserItem* item) const {
    if (!item) return -1;
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [item](const Row& row) { return row.item == item; });
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

void BrowserListModel::Forget(const CBrowserItem* item) {
    for (Row& row : m_rows)
        if (row.item == item) row.item = nullptr;
}
