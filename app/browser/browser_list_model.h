#pragma once
// The entries of the level the browser shows, as a list model: a row per browser item, holding
// what the list shows of it as of the last update, so that a row whose item went away still
// draws until the next one. Update() brings the rows to a new list of items: the rows of items
// still listed stay (and signal what changed of them), the others go, new ones come; nothing
// is rebuilt, so the view keeps its selection and scroll position.
#include <QAbstractListModel>
#include <vector>

class CBrowserItem;

class BrowserListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { kImageRole = Qt::UserRole, kOverlayRole };

    explicit BrowserListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The rows become `items`, in that order.
    void Update(const std::vector<CBrowserItem*>& items);
    void Clear();
    // The item of `row`; null beside the rows or when its item went away.
    CBrowserItem* Item(int row) const;
    int RowOf(const CBrowserItem* item) const;  // -1: none
    // `item` is going away: its row stays until the next update, standing for nothing.
    void Forget(const CBrowserItem* item);

private:
    // What the item showed at the last update; the texts made from it only when it changed.
    struct Row {
        CBrowserItem* item = nullptr;
        QString name;
        int image = 0;
        int overlay = 0;
        unsigned int classOfDevice = 0;
        int comPort = 0;
        QString toolTip;
        QString description;
        bool SameLook(const Row& other) const;
    };
    static Row Snapshot(CBrowserItem* item);
    static void Describe(Row& row);
    void set(int row, Row fresh);

    std::vector<Row> m_rows;
};
