// Removing selected rows: each contiguous run is announced once, highest first, and
// the table reads right after every announcement.

#include "host/utils.h"
#include "rate/RateTableView.h"
#include "support/ModalHelper.h"

#include <QAction>
#include <QTest>

class tst_RowRemoval : public QObject {
    Q_OBJECT
private slots:
    void removesRuns_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QString>("runs"); // announced removals; "!" where the table misread
        QTest::newRow("scattered") << QList<int>{0, 1, 4, 6, 7, 9} << "9-9 6-7 4-4 0-1";
        QTest::newRow("all") << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9} << "0-9";
    }
    void removesRuns()
    {
        QFETCH(QList<int>, selected);
        QFETCH(QString, runs);
        ZEL::RateTableView table(nullptr);
        QStringList expected = QString("a b c d e f g h i j").split(' ');
        table.addNames(expected);
        QAbstractItemModel *model = table.tableView()->model();
        for (int row : selected)
            table.tableView()->selectionModel()->select(
                model->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const auto shown = [model] {
            QStringList names;
            for (int row = 0; row < model->rowCount(); ++row)
                names << model->index(row, 0).data().toString();
            return names;
        };
        QStringList announced;
        connect(model, &QAbstractItemModel::rowsRemoved,
                [&](const QModelIndex &, int first, int last) {
                    expected.erase(expected.begin() + first, expected.begin() + last + 1);
                    announced << QString("%1-%2%3").arg(first).arg(last).arg(
                        shown() == expected ? "" : "!");
                });
        TestSupport::ModalHelper::answerMessageBox(QMessageBox::Yes);
        table.removeAction()->trigger();
        QCOMPARE(announced.join(' '), runs);
        QCOMPARE(shown(), expected);
        QVERIFY(!table.tableView()->selectionModel()->hasSelection());
    }
};

QTEST_MAIN(tst_RowRemoval)
#include "tst_rowremoval.moc"
