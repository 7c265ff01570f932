#include "host/nlsdata.h"
#include "pickers/ModuleInstSelectDialog.h"
#include "tests/support/ModalHelper.h"

#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

#include <memory>

using TestSupport::ModalHelper;

namespace {

// The top module always comes first.
const QStringList kAll{"chip_top", "u_cpu", "u_cpu/u_alu", "u_io"};

} // namespace

class tst_ModuleSelect : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void filter_data();
    void filter();
    void doubleClickAccepts();
    void okWithoutSelection();

private:
    QListWidget *list(QDialog *dialog) const { return dialog->findChild<QListWidget *>(); }
    QStringList shown(QDialog *dialog) const
    {
        QStringList texts;
        for (int row = 0; row < list(dialog)->count(); ++row)
            texts << list(dialog)->item(row)->text();
        return texts;
    }

    std::unique_ptr<NlsData::Netlist> m_netlist;
};

void tst_ModuleSelect::init()
{
    m_netlist = std::make_unique<NlsData::Netlist>(QStringLiteral("chip_top"));
    m_netlist->addSubmodule(QStringLiteral("u_cpu"));
    m_netlist->addSubmodule(QStringLiteral("u_cpu/u_alu"));
    m_netlist->addSubmodule(QStringLiteral("u_io"));
    // Primitive instances are never candidates.
    m_netlist->addPrimitive(QStringLiteral("u_cpu/q_reg"), NlsData::CategoryFlipFlop, 1);
}

void tst_ModuleSelect::cleanup()
{
    ModalHelper::cancelPending();
    ModalHelper::closeStrayModals();
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_ModuleSelect::filter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("blanks only") << "   " << kAll;
    QTest::newRow("upper case") << "CPU" << QStringList{"u_cpu", "u_cpu/u_alu"};
    QTest::newRow("trimmed") << "  alu " << QStringList{"u_cpu/u_alu"};
    QTest::newRow("substring") << "_to" << QStringList{"chip_top"};
    QTest::newRow("no match") << "zz" << QStringList{};
}

void tst_ModuleSelect::filter()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    ZEL::ModuleInstSelectDialog dialog(nullptr, m_netlist.get(), false);
    QCOMPARE(shown(&dialog), kAll);
    list(&dialog)->setCurrentRow(1);
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("lineEditFilter"));
    edit->setText(filter);
    QCOMPARE(shown(&dialog), expected);
    // The list is rebuilt, so the earlier selection is gone.
    QVERIFY(dialog.selectedNames().isEmpty());
    edit->clear();
    QCOMPARE(shown(&dialog), kAll);
}

void tst_ModuleSelect::doubleClickAccepts()
{
    ZEL::ModuleInstSelectDialog dialog(nullptr, m_netlist.get(), true);
    ModalHelper::onNextModal([this](QWidget *modal) {
        QListWidget *widget = list(static_cast<QDialog *>(modal));
        const QPoint point = widget->visualItemRect(widget->item(2)).center();
        // A real double click: the first press selects the item, the second accepts.
        QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(widget->viewport(), Qt::LeftButton, {}, point);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.selectedNames(), QStringList({"u_cpu/u_alu"}));
}

void tst_ModuleSelect::okWithoutSelection()
{
    ZEL::ModuleInstSelectDialog dialog(nullptr, m_netlist.get(), true);
    ModalHelper::acceptNextDialog();
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(dialog.selectedNames().isEmpty());
}

QTEST_MAIN(tst_ModuleSelect)
#include "tst_moduleselect.moc"
