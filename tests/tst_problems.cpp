#include "studio/NetlistWatcher.h"
#include "studio/ProblemsPanel.h"
#include "studio/StudioWindow.h"
#include "tests/support/ModalHelper.h"

#include "document/ZELView.h"
#include "enable/DFFSetWidget.h"
#include "enable/ZELEnableSetWidget.h"
#include "host/core.h"
#include "host/extsys.h"
#include "rate/RateTableView.h"
#include "rate/RateWidget.h"
#include "rate/VcdFileWidget.h"
#include "rate/ZELRateWidget.h"

#include <QUndoStack>
#include <QtTest>
#include <QtWidgets>

using Studio::ProblemsPanel;
using TestSupport::ModalHelper;

namespace {

// Before the re-synthesis `acc_reg[3]` and the `gone` rows are stale; after it (the
// register `acc` renamed `acc_reg`) the `acc` rows are, and `acc_reg[3]` is right again.
// The activity file (%1) is one that exists but is no VCD; the temperature is clamped.
const QByteArray Board = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>
<Config>
    <Version>1.0</Version>
    <TempGrade>INDUSTRIAL</TempGrade>
    <Process>TYPICAL</Process>
    <AmbientTemp>999</AmbientTemp>
    <VCC>1</VCC>
    <VCCX>3.3</VCCX>
    <VCC_LDO>1.8</VCC_LDO>
    <NetRate type="toggle">
        <Net name="cnt[0]" value="50"/>
        <Net name="gone_net" value="20"/>
    </NetRate>
    <LocalEnable>
        <Instance name="u_core/acc[0]" value="30"/>
        <Instance name="u_core/acc[3]" value="40"/>
        <Instance name="u_core/acc_reg[3]" value="45"/>
        <Instance name="u_core/gone" value="50"/>
    </LocalEnable>
    <SimuFile>
        <File type="vcd" name="%1" entity=""/>
    </SimuFile>
</Config>)";

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QStringList names(const ZEL::RecordTableWidget *table)
{
    QStringList list;
    const QAbstractItemModel *model = table->recordModel();
    for (int row = 0; row < model->rowCount(); ++row)
        list << model->index(row, 0).data().toString();
    return list;
}

// The panel's rows of one check as "section|name|suggestion", in the panel's order.
QStringList rows(ProblemsPanel *panel, const QString &check)
{
    QStringList list;
    for (int row = 0; const VepCheck::Diagnostic *d = panel->diagnosticAt(row); ++row) {
        if (d->check == check)
            list << d->section + '|' + d->name + '|' + d->suggestion;
    }
    return list;
}

int panelRow(ProblemsPanel *panel, const QString &name)
{
    for (int row = 0; const VepCheck::Diagnostic *d = panel->diagnosticAt(row); ++row) {
        if (d->name == name || (d->name.isEmpty() && d->message.startsWith(name)))
            return row;
    }
    return -1;
}

} // namespace

class tst_Problems : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(ExtSys::PluginManager::instance()->loadPlugin(
                     QStringLiteral(VEP_PLUGIN_DIR "/libZELSettingPlugin.so"), &error),
                 qPrintable(error));
    }
    void cleanupTestCase() { ExtSys::PluginManager::instance()->shutdown(); }

    // A project on a copy of the example design with the file open, then a re-synthesis
    // that renamed the register `acc`, announced as the shell announces it.
    void init()
    {
        const QString design = QStringLiteral(VEP_SOURCE_DIR "/examples/design/");
        m_netlist = m_dir.filePath(QStringLiteral("design/netlist.json"));
        write(m_netlist, readAll(design + "netlist.json"));
        write(
            m_dir.filePath(QStringLiteral("project/p.vepproj")),
            R"({"name": "p", "device": "PX-C", "netlist": "../design/netlist.json", "files": ["board.vep"]})");
        m_file = m_dir.filePath(QStringLiteral("project/board.vep"));
        write(m_file, QString::fromUtf8(Board).arg(m_netlist).toUtf8());
        m_window = new Studio::StudioWindow;
        QVERIFY(m_window->openProject(m_dir.filePath(QStringLiteral("project"))));
        m_window->openFile(m_file);
        m_panel = m_window->problemsPanel();
        m_view = m_panel->currentView();
        QVERIFY(m_view);
        m_panel->waitUntilIdle();
        QCOMPARE(rows(m_panel, "stale-name").size(), 3);

        QByteArray renamed = readAll(m_netlist);
        renamed.replace("\"acc\"", "\"acc_reg\"").replace("\\\\acc[", "\\\\acc_reg[");
        write(m_netlist, renamed);
        QSignalSpy updated(m_panel, &ProblemsPanel::updated);
        QVERIFY(m_window->netlistWatcher()->checkNow());
        QVERIFY(updated.wait());
    }

    void cleanup()
    {
        ModalHelper::cancelPending();
        if (m_view)
            m_view->setModified(false);
        QVERIFY(m_window->closeAllViews());
        delete m_window;
        QVERIFY(!QApplication::activeModalWidget());
    }

    void listsStaleNamesAfterResynthesis()
    {
        QCOMPARE(rows(m_panel, "stale-name"),
                 QStringList({"NetRate|gone_net|", "LocalEnable|u_core/acc[0]|u_core/acc_reg[0]",
                              "LocalEnable|u_core/acc[3]|u_core/acc_reg[3]",
                              "LocalEnable|u_core/gone|"}));
        QCOMPARE(m_window->findChild<QDockWidget *>("problemsDock"), m_panel);
        QCOMPARE(m_window->dockWidgetArea(m_panel), Qt::BottomDockWidgetArea);
        QCOMPARE(m_panel->findChild<QTableView *>("problemsView"), m_panel->problemsView());
        QCOMPARE(m_panel->source(), ProblemsPanel::SavedFile);
        QCOMPARE(rows(m_panel, "normalized").size(), 1);
        QCOMPARE(m_panel->windowTitle(), QStringLiteral("Problems (%1)").arg(m_panel->count()));
        m_panel->setFilter(ProblemsPanel::NotesOnly);
        QVERIFY(rows(m_panel, "stale-name").isEmpty());
    }

    void goesToTheRow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("table");  // 0 net rates, 1 flip-flops, 2 activity files
        QTest::addColumn<int>("column"); // whose tool tip holds the name
        QTest::newRow("net rate") << "gone_net" << 1 << 0 << 0;
        QTest::newRow("flip-flop") << "u_core/acc[0]" << 2 << 1 << 0;
        QTest::newRow("flip-flop, no suggestion") << "u_core/gone" << 2 << 1 << 0;
        QTest::newRow("activity file") << "netlist.json" << 1 << 2 << 1;
        QTest::newRow("general setting") << "AmbientTemp" << 0 << -1 << 0;
    }
    void goesToTheRow()
    {
        QFETCH(QString, name);
        QFETCH(int, page);
        QFETCH(int, table);
        QFETCH(int, column);
        if (name == "netlist.json")
            name = m_netlist;
        // Sorted by the user since the file was read: rows are found by name.
        m_view->enableSetPage()->dffTable()->recordTable()->sortByColumn(0, Qt::DescendingOrder);
        QVERIFY(m_panel->goToProblem(panelRow(m_panel, name)));
        QCOMPARE(m_view->tabWidget()->currentIndex(), page);
        if (table < 0) {
            QCOMPARE(m_view->window()->focusWidget()->objectName(), QStringLiteral("spinAmbTemp"));
            return;
        }
        const QList<ZEL::RecordTableWidget *> tables{m_view->ratePage()->rateWidget()->netTable(),
                                                     m_view->enableSetPage()->dffTable(),
                                                     m_view->ratePage()->vcdFileWidget()};
        const QModelIndexList selected =
            tables[table]->recordTable()->selectionModel()->selectedRows(column);
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data(Qt::ToolTipRole).toString(), name);
    }

    // Which file the panel shows follows the current view.
    void followsTheCurrentView()
    {
        const QString notes = m_dir.filePath(QStringLiteral("project/notes.txt"));
        write(notes, "text");
        QSignalSpy updated(m_panel, &ProblemsPanel::updated);
        m_window->openFile(notes);
        QVERIFY(updated.wait());
        QCOMPARE(m_panel->source(), ProblemsPanel::NoFile);
        QCOMPARE(m_panel->windowTitle(), QStringLiteral("Problems (0)"));
        Core::ViewManager::instance()->showView(m_view);
        QVERIFY(updated.wait());
        QCOMPARE(m_panel->source(), ProblemsPanel::SavedFile);
        QCOMPARE(rows(m_panel, "stale-name").size(), 4);
    }

    // An edit while a check runs: the check of the older state never shows.
    void newestRequestWins()
    {
        QSignalSpy updated(m_panel, &ProblemsPanel::updated);
        m_panel->refresh();
        QCOMPARE(
            m_view->enableSetPage()->dffTable()->recordModel()->removeRecordsNamed({"u_core/gone"}),
            1);
        m_panel->waitUntilIdle();
        QCOMPARE(updated.count(), 1);
        QCOMPARE(m_panel->source(), ProblemsPanel::UnsavedState);
        QCOMPARE(rows(m_panel, "stale-name").size(), 3);
    }

    void fixes_data()
    {
        QTest::addColumn<QString>("fix");
        QTest::addColumn<int>("changed");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<QStringList>("netRows");
        QTest::addColumn<QStringList>("dffRows");
        QTest::addColumn<int>("staleAfterSave");
        const QStringList nets{"cnt[0]", "gone_net"};
        const QStringList renamed{"u_core/acc_reg[0]", "u_core/acc[3]", "u_core/acc_reg[3]",
                                  "u_core/gone"};
        QTest::newRow("replace one") << "replace" << 1 << 0 << nets << renamed << 3;
        // acc[3] stays: acc_reg[3] is already a row, and a table never holds a name twice.
        QTest::newRow("apply all") << "all" << 1 << 1 << nets << renamed << 3;
        QTest::newRow("remove, confirmed")
            << "remove" << 4 << 0 << QStringList{"cnt[0]"} << QStringList{"u_core/acc_reg[3]"} << 0;
        QTest::newRow("remove, refused")
            << "keep" << 0 << 0 << nets
            << QStringList{"u_core/acc[0]", "u_core/acc[3]", "u_core/acc_reg[3]", "u_core/gone"}
            << -1;
    }
    void fixes()
    {
        QFETCH(QString, fix);
        QFETCH(int, changed);
        QFETCH(int, skipped);
        QFETCH(QStringList, netRows);
        QFETCH(QStringList, dffRows);
        QFETCH(int, staleAfterSave);
        const QByteArray before = readAll(m_file);
        Studio::ProblemFixer::Outcome outcome;
        if (fix == "replace") {
            outcome = m_panel->replaceWithSuggestion(panelRow(m_panel, "u_core/acc[0]"));
        } else if (fix == "all") {
            outcome = m_panel->applyAllSuggestions();
        } else {
            ModalHelper::answerMessageBox(fix == "remove" ? QMessageBox::Yes : QMessageBox::No);
            outcome = m_panel->removeStaleRows();
        }
        QCOMPARE(outcome.changed, changed);
        QCOMPARE(outcome.skipped, skipped);
        QCOMPARE(names(m_view->ratePage()->rateWidget()->netTable()), netRows);
        QCOMPARE(names(m_view->enableSetPage()->dffTable()), dffRows);
        QCOMPARE(m_view->isModified(), staleAfterSave >= 0);
        QCOMPARE(readAll(m_file), before); // nothing written before the save
        // One step of the view's history, undone and redone like any edit.
        QUndoStack *history = m_view->undoStack();
        QCOMPARE(history->count(), changed > 0 ? 1 : 0);
        if (staleAfterSave < 0)
            return;
        history->undo();
        QCOMPARE(
            names(m_view->enableSetPage()->dffTable()),
            QStringList({"u_core/acc[0]", "u_core/acc[3]", "u_core/acc_reg[3]", "u_core/gone"}));
        QVERIFY(!m_view->isModified());
        history->redo();
        QCOMPARE(names(m_view->ratePage()->rateWidget()->netTable()), netRows);
        QCOMPARE(names(m_view->enableSetPage()->dffTable()), dffRows);
        QVERIFY(m_view->isModified());
        m_panel->waitUntilIdle();
        QCOMPARE(m_panel->source(), ProblemsPanel::UnsavedState);
        QCOMPARE(rows(m_panel, "stale-name").size(), staleAfterSave);

        QSignalSpy updated(m_panel, &ProblemsPanel::updated);
        m_view->save();
        QVERIFY(updated.wait());
        QCOMPARE(m_panel->source(), ProblemsPanel::SavedFile);
        QCOMPARE(rows(m_panel, "stale-name").size(), staleAfterSave);
        QVERIFY(rows(m_panel, "normalized").isEmpty()); // the clamped value was saved
        const QString saved = QString::fromUtf8(readAll(m_file));
        for (const QString &name : netRows + dffRows)
            QVERIFY2(saved.contains(QStringLiteral("name=\"%1\"").arg(name)), qPrintable(name));
        QCOMPARE(saved.count(QRegularExpression(QStringLiteral("<(Net|Instance) name="))),
                 netRows.size() + dffRows.size());
    }

private:
    QTemporaryDir m_dir;
    QString m_netlist, m_file;
    Studio::StudioWindow *m_window = nullptr;
    ProblemsPanel *m_panel = nullptr;
    QPointer<ZEL::ZELView> m_view;
};

QTEST_MAIN(tst_Problems)
#include "tst_problems.moc"
