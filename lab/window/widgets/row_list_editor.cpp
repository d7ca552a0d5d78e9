// row_list_editor.cpp
#include "lab/window/widgets/row_list_editor.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace labwin {

namespace {

// Rows shown before the table scrolls: the panel stays compact.
constexpr int VisibleRows = 4;
const QColor RefusedColour(255, 200, 200);

}  // namespace

RowListEditor::RowListEditor(const QList<EditorColumn>& columns, Check check, const QString& addTooltip,
                             QWidget* parent)
    : QWidget(parent), columns_(columns), check_(std::move(check)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    table_ = new QTableWidget(0, int(columns_.size()));
    for (int c = 0; c < columns_.size(); ++c) {
        auto* header = new QTableWidgetItem(columns_[c].title);
        header->setToolTip(columns_[c].tooltip);
        table_->setHorizontalHeaderItem(c, header);
    }
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int c = 0; c < columns_.size(); ++c)
        if (!columns_[c].choices.isEmpty())
            table_->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(table_);

    auto* add = new QPushButton("Add");
    add->setToolTip(addTooltip);
    remove_ = new QPushButton("Remove");
    remove_->setToolTip("Remove the chosen rows");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove_);
    buttons->addStretch();
    layout->addLayout(buttons);
    // As tall as its rows, however tall the panel.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(add, &QPushButton::clicked, this, [this] {
        QStringList values;
        for (const EditorColumn& column : columns_) values << column.initial;
        addRow(values);
    });
    connect(remove_, &QPushButton::clicked, this, [this] {
        QList<int> rows;
        for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows << index.row();
        std::sort(rows.begin(), rows.end(), std::greater<int>());
        for (int row : rows) table_->removeRow(row);
        fitHeight();
        recheck();
        emit changed();
    });
    connect(table_, &QTableWidget::itemChanged, this, [this] {
        recheck();
        emit changed();
    });
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { remove_->setEnabled(table_->selectionModel()->hasSelection()); });
    remove_->setEnabled(false);
    fitHeight();
}

QStringList RowListEditor::rowAt(int row) const {
    QStringList values;
    for (int c = 0; c < columns_.size(); ++c) {
        if (auto* choice = qobject_cast<QComboBox*>(table_->cellWidget(row, c)))
            values << choice->currentText();
        else
            values << table_->item(row, c)->text().trimmed();
    }
    return values;
}

QList<QStringList> RowListEditor::allRows() const {
    QList<QStringList> rows;
    for (int r = 0; r < table_->rowCount(); ++r) rows << rowAt(r);
    return rows;
}

QList<QStringList> RowListEditor::goodRows() const {
    QList<QStringList> rows;
    for (int r = 0; r < table_->rowCount(); ++r)
        if (check_(rowAt(r)).isEmpty()) rows << rowAt(r);
    return rows;
}

void RowListEditor::setRows(const QList<QStringList>& rows) {
    {
        const QSignalBlocker quiet(this);
        table_->setRowCount(0);
        for (const QStringList& row : rows)
            if (row.size() == columns_.size()) addRow(row);
    }
    fitHeight();
    emit changed();
}

void RowListEditor::addRow(const QStringList& values) {
    const int row = table_->rowCount();
    {
        const QSignalBlocker quiet(table_);
        table_->insertRow(row);
        for (int c = 0; c < columns_.size(); ++c) {
            // Every cell has an item, also under a choice, to carry the mark.
            auto* item = new QTableWidgetItem(values.value(c));
            item->setToolTip(columns_[c].tooltip);
            table_->setItem(row, c, item);
            if (columns_[c].choices.isEmpty()) continue;
            auto* choice = new QComboBox;
            choice->addItems(columns_[c].choices);
            choice->setCurrentIndex(std::max(0, int(columns_[c].choices.indexOf(values.value(c)))));
            choice->setToolTip(columns_[c].tooltip);
            connect(choice, &QComboBox::currentIndexChanged, this, [this] {
                recheck();
                emit changed();
            });
            table_->setCellWidget(row, c, choice);
        }
    }
    fitHeight();
    recheck();
    emit changed();
}

void RowListEditor::recheck() {
    const QSignalBlocker quiet(table_);
    for (int r = 0; r < table_->rowCount(); ++r) {
        const QString problem = check_(rowAt(r));
        for (int c = 0; c < columns_.size(); ++c) {
            QTableWidgetItem* item = table_->item(r, c);
            item->setBackground(problem.isEmpty() ? QBrush() : QBrush(RefusedColour));
            item->setToolTip(problem.isEmpty() ? columns_[c].tooltip : problem + " (left out of the scan)");
        }
    }
}

void RowListEditor::fitHeight() {
    const int rows = std::clamp(table_->rowCount(), 1, VisibleRows);
    const int rowHeight = table_->verticalHeader()->defaultSectionSize();
    table_->setFixedHeight(table_->horizontalHeader()->sizeHint().height() + rows * rowHeight +
                           2 * table_->frameWidth());
}

}  // namespace labwin
