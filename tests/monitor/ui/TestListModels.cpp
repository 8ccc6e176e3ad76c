// Both list models under QAbstractItemModelTester, which fails on any broken promise of
// the model interface (row counts, indexes, signals around changes), and the watch list
// model's path for a report that comes after its rows changed.
#include "monitor/TypedSymbols.h"
#include "tests/elf/SampleProgram.h"
#include "monitor/ui/SymbolListModel.h"
#include "monitor/ui/WatchListModel.h"

#include <QAbstractItemModelTester>
#include <QtTest>

class TestListModels : public QObject {
    Q_OBJECT

private slots:
    void symbolListKeepsTheModelRules()
    {
        monitor::SymbolTable table;
        monitor::TypedSymbols types;
        SymbolListModel model(table, types);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        table.Assign({{"b", 0x20, 1, monitor::INT16}, {"a", 0x21, 2, monitor::FLOAT}}, 0);
        model.Refill();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("a")); // name order
        table.Assign({}, 0);
        model.Refill();
        QCOMPARE(model.rowCount(), 0);
    }

    // A long array lists its first elements and one row that counts the rest; closing it
    // takes them all away.
    void aLongArrayOpensToItsFirstElementsAndACount()
    {
        monitor::SymbolTable table;
        table.Assign({{"f16Calibration", 0x100, 1024, monitor::HEX16}}, 0);
        monitor::TypedSymbols types;
        types.Merge(table, elf::test::SampleProgram());
        SymbolListModel model(table, types);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.Refill();
        model.Open(0);
        const int listed = static_cast<int>(monitor::TypedSymbols::kMaxListedElements);
        QCOMPARE(model.rowCount(), 1 + listed + 1);
        QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("[1]"));
        QCOMPARE(model.index(2, 1).data().toString(), QStringLiteral("0x000101"));
        QCOMPARE(model.index(listed + 1, 0).data().toString(),
                 QStringLiteral("… %1 more").arg(1024 - listed));
        QVERIFY(!model.TypedAt(listed + 1)); // nothing to watch
        model.Close(0);
        QCOMPARE(model.rowCount(), 1);
    }

    void watchListKeepsTheModelRulesAndTakesALateReportWhole()
    {
        monitor::WatchList list;
        WatchListModel model(list, monitor::WatchListId::Addresses);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.AddAddressRun(0x80, 3, monitor::HEX16);
        model.Reload();
        QCOMPARE(model.rowCount(), 3);
        const auto items = list.VisibleItems(monitor::WatchListId::Addresses);
        list.StoreValue(items[2], "0x1234", 0x1234);
        // Row 0 goes before the report of row 2 arrives: the report's index is stale.
        list.RemoveRows(monitor::WatchListId::Addresses, {0});
        model.RefreshRows({2});
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(1, model.ValueColumn()).data().toString(), QStringLiteral("0x1234"));
        model.MarkStale();
        QVERIFY(model.IsStale(1));
    }
};

QTEST_MAIN(TestListModels)
#include "TestListModels.moc"
