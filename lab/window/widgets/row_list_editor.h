// row_list_editor.h - a compact editor of a list of rows (the channel
// gains, the metal discs): a table, a button that adds a row and one that
// removes the chosen rows. A row its check refuses is marked, the reason as
// its tooltip, and left out of goodRows().
#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

#include <functional>

class QPushButton;
class QTableWidget;

namespace labwin {

struct EditorColumn {
    QString title;
    QString tooltip;
    QString initial;      // a new row's value
    QStringList choices;  // not empty: chosen from these instead of typed
};

class RowListEditor : public QWidget {
    Q_OBJECT
public:
    // What is wrong with a row, or "" when nothing is.
    using Check = std::function<QString(const QStringList& row)>;

    RowListEditor(const QList<EditorColumn>& columns, Check check, const QString& addTooltip,
                  QWidget* parent = nullptr);

    QList<QStringList> allRows() const;
    QList<QStringList> goodRows() const;
    // Rows of the wrong width are skipped.
    void setRows(const QList<QStringList>& rows);
    void addRow(const QStringList& values);

signals:
    void changed();

private:
    QStringList rowAt(int row) const;
    void recheck();
    void fitHeight();

    QList<EditorColumn> columns_;
    Check check_;
    QTableWidget* table_ = nullptr;
    QPushButton* remove_ = nullptr;
};

}  // namespace labwin
