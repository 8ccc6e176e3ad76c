#include "monitor/ui/CAddAddress.h"
#include "monitor/ui/CChangeValue.h"
#include "monitor/ui/CChangeValueAddr.h"
#include "monitor/ui/CMonDlg.h"
#include "tests/app/SpokenTexts.h"
#include "tests/app/TestSettingsScope.h"
#include "elf/tools/DebugElfWriter.h"
#include "monitor/ui/CWatchByName.h"
#include "sim/DemoVariables.h"
#include "monitor/ui/WatchListModel.h"
#include "monitor/ui/WatchListView.h"

#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "ui/ReadOnlyFieldAccessible.h"
#include "sim/SimOptions.h"
#include "sim/SimUsbDriver.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QColor>
#include <QCompleter>
#include <QStringListModel>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <set>

namespace {

constexpr int kMc56f8367 = 27;

// The window on an emulated POD whose wire is instant and whose clock moves only as the
// worker sleeps, so values change as fast as the worker polls.
struct Bench {
    pod::VirtualPodClock clock;
    std::unique_ptr<sim::SimUsbDriver> driver{sim::CreateSimDriver(sim::SimOptions{}, clock)};
    pod::PodSession session{*driver, clock};
    int mcu = kMc56f8367;
    CMonDlg dlg{session, [this] { return mcu; }};
    QStringList messages;

    Bench()
    {
        dlg.SetMessageShower([this](QWidget*, const QString& text) { messages << text; });
        auto store = app::OpenQuobinSettings();
        dlg.Initialize(*store);
    }
    ~Bench()
    {
        auto store = app::OpenQuobinSettings();
        dlg.SaveState(*store);
    }

    template <typename T> T* Find(const char* name) const
    {
        T* widget = dlg.findChild<T*>(QLatin1String(name));
        if (!widget) qFatal("no widget %s", name);
        return widget;
    }
    QTableView* List(const char* name) const { return Find<QTableView>(name); }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }

    int RowOf(const char* listName, const QString& text, int column = 0) const
    {
        QAbstractItemModel* model = List(listName)->model();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->index(row, column).data().toString() == text) return row;
        return -1;
    }
    void Select(const char* listName, const QStringList& names)
    {
        QTableView* list = List(listName);
        list->clearSelection();
        for (const QString& name : names) {
            const int row = RowOf(listName, name);
            QVERIFY2(row >= 0, qPrintable(name));
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QString Cell(const char* listName, const QString& name, int column) const
    {
        const int row = RowOf(listName, name);
        return row < 0 ? QString() : List(listName)->model()->index(row, column).data().toString();
    }
    QAction* Action(const char* listName, bool onRow, const QString& text,
                    std::unique_ptr<QMenu>& menu)
    {
        menu = dlg.MakeContextMenu(List(listName), onRow);
        QList<QAction*> actions = menu->actions();
        for (QAction* action : menu->actions())
            if (action->menu()) actions += action->menu()->actions();
        for (QAction* action : actions)
            if (action->text() == text) return action;
        qFatal("no menu item %s", qPrintable(text));
    }
    void Trigger(const char* listName, const QString& text)
    {
        std::unique_ptr<QMenu> menu;
        Action(listName, true, text, menu)->trigger();
    }
};

// Answers the next modal dialog: types `value` into its field named `field` and presses OK.
void AnswerNextDialog(const char* field, const QString& value)
{
    QTimer::singleShot(0, [field, value] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        modal->findChild<QLineEdit*>(QLatin1String(field))->setText(value);
        modal->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
}

// Counts the paint events of a widget that cover a given rectangle.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget* widget, const QRect& area) : m_area(area)
    {
        widget->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint &&
            static_cast<QPaintEvent*>(event)->region().intersects(m_area))
            ++count;
        return QObject::eventFilter(watched, event);
    }

private:
    QRect m_area;
};

} // namespace

// The demo map copied to a private folder: the window keeps its watch lists beside the
// map, and a test must not leave a .Mon file in the repository.
// The demo map with its ELF beside it, in a folder of its own, as the stored map.
QString TypedDemoMap(const QTemporaryDir& folder)
{
    const QString map = folder.filePath(QStringLiteral("demo.elf.xMAP"));
    QFile::copy(QStringLiteral(QUOBIN_DEMO_MAP).replace(".xMAP", ".elf.xMAP"), map);
    QFile::copy(QStringLiteral(QUOBIN_DEMO_MAP).replace(".xMAP", ".elf"),
                folder.filePath(QStringLiteral("demo.elf")));
    TestSettingsScope::WriteIn(QStringLiteral("Monitoring/Map File Path"), map);
    return map;
}

QString DemoMap()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString copy = folder.filePath(QStringLiteral("demo.xMAP"));
        QFile::copy(QStringLiteral(QUOBIN_DEMO_MAP), copy);
        return copy;
    }();
    return path;
}

class TestMonDlg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_scope = std::make_unique<TestSettingsScope>(); }
    void init()
    {
        TestSettingsScope::Clear();
        QFile::remove(QString(DemoMap()).replace(QStringLiteral(".xMAP"), QStringLiteral(".Mon")));
    }

    void firstStartShowsTheDefaults()
    {
        Bench bench;
        QCOMPARE(bench.Find<QComboBox>("baudCombo")->currentText(), QStringLiteral("38400"));
        QCOMPARE(bench.Find<QComboBox>("intervalCombo")->currentText(), QStringLiteral("100 ms"));
        QVERIFY(bench.Find<QLineEdit>("mapPathEdit")->text().isEmpty());
        QCOMPARE(bench.List("listLeft")->model()->rowCount(), 0);
        QCOMPARE(bench.List("listLeft")->horizontalHeader()->sectionSize(1), 70);
        QCOMPARE(bench.dlg.minimumSize(), QSize(840, 640));
        QVERIFY(bench.Button("startButton")->isEnabled());
        QVERIFY(!bench.Button("stopButton")->isEnabled());
        // START without symbols changes nothing.
        bench.Button("startButton")->click();
        QVERIFY(!bench.dlg.IsMonitoring());
    }

    void watchesChangesAndStopsOnTheEmulatedPod()
    {
        TestSettingsScope::WriteIn(QStringLiteral("Monitoring/Map File Path"), DemoMap());
        Bench bench;
        // Names in case-insensitive order, whatever their order in the map.
        QVERIFY(bench.RowOf("listLeft", QStringLiteral("message")) <
                bench.RowOf("listLeft", QStringLiteral("runFlag")));
        bench.Select("listLeft", {QStringLiteral("counter32"), QStringLiteral("sineWave"),
                                  QStringLiteral("sineAmplitude")});
        bench.Trigger("listLeft", QStringLiteral("Watch Symbol"));
        QCOMPARE(bench.List("listTRight")->model()->rowCount(), 3);
        bench.Select("listTRight", {QStringLiteral("sineWave"), QStringLiteral("sineAmplitude")});
        bench.Trigger("listTRight", QStringLiteral("FLOAT"));
        QCOMPARE(bench.Cell("listTRight", QStringLiteral("sineWave"), 3), QStringLiteral("FLOAT"));

        bench.dlg.show();
        bench.Button("startButton")->click();
        QVERIFY(bench.dlg.IsMonitoring());
        QVERIFY(!bench.Button("startButton")->isEnabled());
        QVERIFY(!bench.Find<QComboBox>("baudCombo")->isEnabled());
        QVERIFY(bench.Find<QComboBox>("intervalCombo")->isEnabled());
        QTRY_VERIFY(!bench.Cell("listTRight", QStringLiteral("counter32"), 2).isEmpty());
        const QString first = bench.Cell("listTRight", QStringLiteral("counter32"), 2);
        QTRY_VERIFY(bench.Cell("listTRight", QStringLiteral("counter32"), 2) != first);
        QTRY_COMPARE(bench.Cell("listTRight", QStringLiteral("sineAmplitude"), 2),
                     QStringLiteral("100"));

        // The amplitude goes down to 2 through the dialog; the wave follows.
        bench.Select("listTRight", {QStringLiteral("sineAmplitude")});
        AnswerNextDialog("valueEdit", QStringLiteral("2"));
        bench.Trigger("listTRight", QStringLiteral("Change Value"));
        QTRY_COMPARE(bench.Cell("listTRight", QStringLiteral("sineAmplitude"), 2),
                     QStringLiteral("2"));
        const auto waveWithin = [&] {
            const QString text = bench.Cell("listTRight", QStringLiteral("sineWave"), 2);
            return !text.isEmpty() && std::fabs(text.toDouble()) <= 2.0;
        };
        QTRY_VERIFY(waveWithin());
        const QString wave = bench.Cell("listTRight", QStringLiteral("sineWave"), 2);
        QTRY_VERIFY(bench.Cell("listTRight", QStringLiteral("sineWave"), 2) != wave);
        QVERIFY(waveWithin());

        // EXIT stops and hides; showing again finds the lists and monitoring stopped.
        bench.Button("exitButton")->click();
        const int ampRow = bench.RowOf("listTRight", QStringLiteral("sineAmplitude"));
        const QModelIndex amp = bench.List("listTRight")->model()->index(ampRow, 2);
        QCOMPARE(amp.data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
        QVERIFY(amp.data(Qt::ToolTipRole).toString().startsWith(QStringLiteral("Stale: last read at ")));
        QVERIFY(!bench.dlg.isVisible());
        QVERIFY(!bench.dlg.IsMonitoring());
        QVERIFY(!bench.session.IsOpen());
        bench.dlg.show();
        QCOMPARE(bench.List("listTRight")->model()->rowCount(), 3);
        QVERIFY(bench.Button("startButton")->isEnabled());
        QVERIFY(!bench.Button("stopButton")->isEnabled());

        // Confirmed while stopped: the dialog says when it is written, and nothing is.
        bench.Select("listTRight", {QStringLiteral("sineAmplitude")});
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<CChangeValue*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("noteLabel"))->isVisible());
            dialog->findChild<QLineEdit*>(QStringLiteral("valueEdit"))
                ->setText(QStringLiteral("7"));
            dialog->accept();
        });
        bench.Trigger("listTRight", QStringLiteral("Change Value"));
        const QString beforeRestart = bench.Cell("listTRight", QStringLiteral("counter32"), 2);
        bench.Button("startButton")->click();
        QTRY_VERIFY(bench.Cell("listTRight", QStringLiteral("counter32"), 2) != beforeRestart);
        QTRY_VERIFY(!amp.data(Qt::ForegroundRole).isValid()); // live again once read
        QCOMPARE(bench.Cell("listTRight", QStringLiteral("sineAmplitude"), 2),
                 QStringLiteral("2"));
    }

    void addAddressAddsARunOfRows()
    {
        Bench bench;
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<CAddAddress*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* type = dialog->findChild<QComboBox*>(QStringLiteral("dataTypeCombo"));
            QCOMPARE(type->count(), 7);
            QCOMPARE(type->itemText(0), QStringLiteral("HEX16"));
            QCOMPARE(type->itemText(6), QStringLiteral("FLOAT"));
            type->setCurrentIndex(1); // HEX32
            dialog->findChild<QLineEdit*>(QStringLiteral("startAddressEdit"))
                ->setText(QStringLiteral("0x100"));
            dialog->findChild<QLineEdit*>(QStringLiteral("lengthEdit"))
                ->setText(QStringLiteral("3"));
            dialog->accept();
        });
        std::unique_ptr<QMenu> menu;
        bench.Action("listBRight", false, QStringLiteral("Add Address"), menu)->trigger();
        QAbstractItemModel* rows = bench.List("listBRight")->model();
        QCOMPARE(rows->rowCount(), 3);
        QCOMPARE(rows->index(2, 0).data().toString(), QStringLiteral("0x000104"));
        QCOMPARE(rows->index(2, 2).data().toString(), QStringLiteral("HEX32"));
        // Delete removes the selected rows of the focused list only.
        bench.List("listBRight")->selectRow(1);
        bench.Trigger("listBRight", QStringLiteral("Delete Address"));
        QCOMPARE(rows->rowCount(), 2);
        QCOMPARE(rows->index(1, 0).data().toString(), QStringLiteral("0x000104"));
    }

    void contextMenusGreyOutBesideTheRows_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("onRow");
        QTest::addColumn<QStringList>("enabled");
        const QStringList types = {"HEX8_LOW", "HEX8_HIGH", "HEX16",  "HEX32",  "INT16", "INT32",
                                   "UINT16",   "UINT32",    "FLOAT",  "FRAC16", "FRAC32"};
        // The separator counts as an enabled action without text.
        QTest::newRow("symbols, beside")
            << "listTRight" << false
            << QStringList{"Delete All Symbol", "Change View Type", "ASCII", "", "Show Type Column"};
        QTest::newRow("symbols, on a row")
            << "listTRight" << true
            << QStringList{"Change Value", "Delete Symbol", "Delete All Symbol", "Change View Type",
                           "ASCII", "", "Show Type Column"} +
                   types;
        QTest::newRow("addresses, beside")
            << "listBRight" << false
            << QStringList{"Add Address", "Delete All Address", "Change View Type"};
        QTest::newRow("addresses, on a row")
            << "listBRight" << true
            << QStringList{"Add Address", "Change Value", "Delete Address", "Delete All Address",
                           "Change View Type"} +
                   types;
        QTest::newRow("symbol list") << "listLeft" << false << QStringList{"Watch Symbol", "Watch by Name..."};
    }
    void contextMenusGreyOutBesideTheRows()
    {
        QFETCH(QString, list);
        QFETCH(bool, onRow);
        QFETCH(QStringList, enabled);
        Bench bench;
        std::unique_ptr<QMenu> menu =
            bench.dlg.MakeContextMenu(bench.List(qPrintable(list)), onRow);
        QStringList shown;
        QList<QAction*> actions = menu->actions();
        for (QAction* action : menu->actions())
            if (action->menu()) actions += action->menu()->actions();
        for (QAction* action : actions)
            if (action->isEnabled()) shown << action->text();
        shown.sort();
        enabled.sort();
        QCOMPARE(shown, enabled);
    }

    void settingsComeBackAtTheNextStart()
    {
        {
            Bench bench;
            bench.dlg.show();
            bench.Find<QComboBox>("baudCombo")->setCurrentIndex(4);
            bench.Find<QComboBox>("intervalCombo")->setCurrentIndex(3);
            bench.List("listTRight")->horizontalHeader()->resizeSection(2, 140);
            QVERIFY(bench.List("listTRight")->isColumnHidden(WatchListModel::kTypeColumn));
            bench.Trigger("listTRight", QStringLiteral("Show Type Column"));
            QVERIFY(!bench.List("listTRight")->isColumnHidden(WatchListModel::kTypeColumn));
            auto* v = bench.Find<QSplitter>("vSplitter");
            const int total = v->sizes().value(0) + v->sizes().value(1);
            v->setSizes({300, total - 300});
        }
        auto store = app::OpenQuobinSettings();
        QCOMPARE(store->value(QStringLiteral("Monitoring/Select BPS")).toInt(), 4);
        QCOMPARE(store->value(QStringLiteral("Monitoring/Select Interval")).toInt(), 3);
        QCOMPARE(store->value(QStringLiteral("Monitoring/TRight 2 Column Width")).toInt(), 140);
        const int position = store->value(QStringLiteral("Monitoring/VSplitter Position")).toInt();
        QVERIFY2(position > 300 && position < 320, qPrintable(QString::number(position)));
        // The address list was empty: it kept room for a few rows and gave the rest away.
        QVERIFY(store->value(QStringLiteral("Monitoring/HSplitter Position")).toInt() > 200);

        Bench again;
        again.dlg.show();
        QCOMPARE(again.Find<QComboBox>("baudCombo")->currentText(), QStringLiteral("115200"));
        QCOMPARE(again.Find<QComboBox>("intervalCombo")->currentText(), QStringLiteral("1 s"));
        QCOMPARE(again.Find<QSplitter>("vSplitter")->sizes().value(0), 300);
        QVERIFY(!again.List("listTRight")->isColumnHidden(WatchListModel::kTypeColumn));
        QCOMPARE(again.List("listTRight")->horizontalHeader()->sectionSize(WatchListModel::kTypeColumn), 160);
    }

    void aMapThatFailsKeepsTheOldSymbols()
    {
        TestSettingsScope::WriteIn(QStringLiteral("Monitoring/Map File Path"), DemoMap());
        Bench bench;
        const int symbols = bench.List("listLeft")->model()->rowCount();
        QVERIFY(symbols > 0);
        const QString missing = m_scope->Folder() + QStringLiteral("/gone.xMAP");
        bench.dlg.SetFileChooser([&](QWidget*, const QString&) { return missing; });
        bench.Button("browseButton")->click();
        QCOMPARE(bench.messages.size(), 1);
        const QStringList lines = bench.messages.front().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QStringLiteral("파일 정보를 읽어오는데 실패하였습니다."));
        QVERIFY2(lines[1].startsWith(missing + QStringLiteral(": ")) && lines[1].size() > missing.size() + 3,
                 qPrintable(lines[1]));
        QCOMPARE(bench.Find<QLineEdit>("mapPathEdit")->text(), missing);
        QCOMPARE(bench.List("listLeft")->model()->rowCount(), symbols);
        bench.Button("reloadButton")->click(); // tries the path in the box again
        QCOMPARE(bench.messages.size(), 2);
    }

    void theFailureBoxIsSpokenUrgently()
    {
        Bench bench;
        SpokenTexts spoken;
        bench.Find<QLineEdit>("mapPathEdit")->setText(m_scope->Folder() + QStringLiteral("/x"));
        bench.Button("reloadButton")->click();
        QCOMPARE(SpokenTexts::Heard().size(), 1);
        QVERIFY(SpokenTexts::Heard()[0].urgent);
        QCOMPARE(SpokenTexts::Heard()[0].text, bench.messages.value(0));
    }

    void unplugDuringMonitoringStopsWithoutAMessage()
    {
        TestSettingsScope::WriteIn(QStringLiteral("Monitoring/Map File Path"), DemoMap());
        Bench bench;
        bench.Select("listLeft", {QStringLiteral("counter16")});
        bench.Trigger("listLeft", QStringLiteral("Watch Symbol"));
        SpokenTexts spoken;
        bench.Button("startButton")->click();
        QVERIFY(bench.dlg.IsMonitoring());
        bench.driver->Unplug();
        QTRY_VERIFY(bench.Button("startButton")->isEnabled());
        QVERIFY(!bench.Button("stopButton")->isEnabled());
        QVERIFY(bench.messages.isEmpty());
        const QList<SpokenTexts::Spoken> heard = SpokenTexts::Heard();
        QCOMPARE(heard.size(), 2);
        QCOMPARE(heard[0], (SpokenTexts::Spoken{QStringLiteral("Monitoring started"), false}));
        QVERIFY2(heard[1].text.startsWith(QStringLiteral("Monitoring stopped: ")) &&
                     heard[1].text.size() > 20,
                 qPrintable(heard[1].text));
        QVERIFY(heard[1].urgent);
        QCOMPARE(bench.dlg.StatusText(), heard[1].text);
        bench.Button("startButton")->click();
        QCOMPARE(bench.dlg.StatusText(),
                 QStringLiteral("Monitoring did not start: the POD does not answer"));
    }

    void graphHandsTheSelectedRowsOverTopToBottom()
    {
        TestSettingsScope::WriteIn(QStringLiteral("Monitoring/Map File Path"), DemoMap());
        Bench bench;
        // Symbols selected only in the symbol list: the status names the list to select in.
        bench.Select("listLeft", {QStringLiteral("counter16"), QStringLiteral("sineWave")});
        bench.Button("graphButton")->click();
        QVERIFY(bench.dlg.StatusText().contains(QStringLiteral("symbol watch list")));

        bench.Trigger("listLeft", QStringLiteral("Watch Symbol"));
        bench.Select("listTRight", {QStringLiteral("sineWave"), QStringLiteral("counter16")});
        std::vector<monitor::MonitorItem> handed;
        bench.dlg.SetGraphOpener(
            [&](QWidget*, const std::vector<monitor::MonitorItem>& rows) { handed = rows; });
        bench.Button("graphButton")->click();
        QCOMPARE(handed.size(), std::size_t{2});
        QCOMPARE(handed[0].name, std::string("counter16")); // top to bottom
        QCOMPARE(handed[1].viewType, monitor::HEX32);
        QCOMPARE(handed[1].address, 0x84u);
    }

    // Every control a keyboard or screen-reader user reaches has a name, and the status
    // reads as its text.
    void everyControlHasAnAccessibleName()
    {
        Bench bench;
        bench.dlg.show();
        QStringList unnamed;
        const std::set<QAccessible::Role> interactive = {
            QAccessible::PushButton, QAccessible::ComboBox, QAccessible::EditableText,
            QAccessible::Table,      QAccessible::CheckBox, QAccessible::List,
            QAccessible::Grip}; // the splitters' handles
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            if (!node) return;
            if (interactive.count(node->role()) && !node->state().invisible &&
                node->text(QAccessible::Name).isEmpty())
                unnamed << QString::number(node->role()) + QLatin1Char(' ') +
                               (node->object() ? node->object()->objectName() : QString());
            // A table's cells are the model's texts; a drop-down's popup list is its own.
            if (node->role() == QAccessible::Table || node->role() == QAccessible::ComboBox) return;
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i));
        };
        walk(QAccessible::queryAccessibleInterface(&bench.dlg));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));

        bench.dlg.watchList().AddAddressWatch(0x80, monitor::HEX16);
        bench.dlg.SetFileChooser([](QWidget*, const QString&) { return QString(); });
        bench.Find<QLineEdit>("mapPathEdit")->setText(DemoMap());
        bench.Button("reloadButton")->click();
        bench.Select("listLeft", {QStringLiteral("message")});
        bench.Trigger("listLeft", QStringLiteral("Watch Symbol"));
        bench.Select("listTRight", {QStringLiteral("message")});
        bench.Button("graphButton")->click();
        // The status is a label whose accessible name is exactly the text shown.
        QAccessibleInterface* status =
            QAccessible::queryAccessibleInterface(bench.Find<QLabel>("monitorStatus"));
        QCOMPARE(status->text(QAccessible::Name),
                 QStringLiteral("A text has no value to plot: select rows with numbers."));
    }

    // A watch list without the keyboard focus keeps quiet towards assistive technology
    // (which an offscreen run cannot listen to: Qt passes accessibility events on only
    // while a screen reader is attached) but still repaints each new value.
    void anUnfocusedWatchListRepaintsItsValues()
    {
        TestSettingsScope::WriteIn(QStringLiteral("Monitoring/Map File Path"), DemoMap());
        Bench bench;
        bench.Select("listLeft", {QStringLiteral("counter32")});
        bench.Trigger("listLeft", QStringLiteral("Watch Symbol"));
        bench.dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.dlg));
        QTableView* list = bench.List("listTRight");
        bench.List("listLeft")->setFocus();
        QVERIFY(!list->hasFocus());
        PaintCounter painted(list->viewport(), list->visualRect(list->model()->index(0, 2)));
        bench.Button("startButton")->click();
        QTRY_VERIFY(painted.count >= 3);
    }

    // Each list takes the focus when a screen reader gives it (to the list or to a cell),
    // and Tab leaves it whatever cell is current.
    void listsTakeTheFocusFromAssistiveTechnologyAndTabLeavesThem_data()
    {
        QTest::addColumn<QString>("list");
        QTest::newRow("symbols") << QStringLiteral("listLeft");
        QTest::newRow("symbol watch") << QStringLiteral("listTRight");
        QTest::newRow("address watch") << QStringLiteral("listBRight");
    }
    void listsTakeTheFocusFromAssistiveTechnologyAndTabLeavesThem()
    {
        QFETCH(QString, list);
        TestSettingsScope::WriteIn(QStringLiteral("Monitoring/Map File Path"), DemoMap());
        Bench bench;
        bench.Select("listLeft", {QStringLiteral("counter16")});
        bench.Trigger("listLeft", QStringLiteral("Watch Symbol"));
        bench.dlg.watchList().AddAddressWatch(0x80, monitor::HEX16);
        bench.dlg.watchList().AddAddressWatch(0x81, monitor::HEX16);
        bench.Button("reloadButton")->click();
        bench.dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&bench.dlg));
        QTableView* view = bench.List(qPrintable(list));
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view);
        QVERIFY(table->tableInterface());
        QVERIFY(table->actionInterface());
        table->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
        QVERIFY(view->hasFocus());
        bench.Button("startButton")->setFocus();
        QAccessibleInterface* cell = table->tableInterface()->cellAt(0, 1);
        cell->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
        QVERIFY(view->hasFocus());
        QCOMPARE(view->currentIndex(), view->model()->index(0, 1));
        QCOMPARE(cell->text(QAccessible::Name), view->model()->index(0, 1).data().toString());
        QVERIFY(cell->state().focused);
        QTest::keyClick(view, Qt::Key_Tab);
        QVERIFY(!view->hasFocus());
    }

    // The focused row's value is spoken as it changes, no cell more than once a second;
    // F3 speaks the row on demand.
    void theFocusedValueIsSpokenAtMostOncePerSecond()
    {
        TestSettingsScope::WriteIn(QStringLiteral("Monitoring/Map File Path"), DemoMap());
        Bench bench;
        bench.Select("listLeft", {QStringLiteral("counter16")});
        bench.Trigger("listLeft", QStringLiteral("Watch Symbol"));
        bench.dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&bench.dlg));
        auto* view = qobject_cast<WatchListView*>(bench.List("listTRight"));
        qint64 now = 0;
        view->SetClock([&now] { return now; });
        view->setFocus();
        QCOMPARE(view->currentIndex().column(), 2); // lands on the value
        SpokenTexts spoken;
        auto* model = qobject_cast<WatchListModel*>(view->model());
        monitor::WatchList& rows = bench.dlg.watchList();
        for (const qint64 at : {0, 400, 999, 1000, 1500}) {
            now = at;
            rows.StoreValue(rows.VisibleItems(monitor::WatchListId::Symbols).front(),
                            std::to_string(at));
            model->RefreshRows({0});
        }
        QCOMPARE(SpokenTexts::Texts(), (QStringList{QStringLiteral("0"), QStringLiteral("1000")}));
        QTest::keyClick(view, Qt::Key_F3);
        QCOMPARE(SpokenTexts::Texts().last(), QStringLiteral("counter16 ") +
                                                  model->index(0, 2).data().toString());
        QVERIFY(view->toolTip().contains(QStringLiteral("F3")));
    }


    // What a typed value becomes is shown before OK; a text that does not convert
    // completely keeps the dialog open, so nothing is written.
    void valueEntryShowsWhatIsWrittenAndRefusesTheRest_data()
    {
        QTest::addColumn<QString>("viewType");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("preview");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("float") << "FLOAT" << "12.5" << "12.5 as FLOAT: 0x41480000" << true;
        QTest::newRow("int16") << "INT16" << "-1" << "-1 as INT16: 0xFFFF" << true;
        QTest::newRow("typo") << "INT16" << "12x" << "Not written: " << false;
        QTest::newRow("empty") << "HEX16" << "" << "Not written: " << false;
    }
    void valueEntryShowsWhatIsWrittenAndRefusesTheRest()
    {
        QFETCH(QString, viewType);
        QFETCH(QString, typed);
        QFETCH(QString, preview);
        QFETCH(bool, accepted);
        CChangeValue symbol({QStringLiteral("x"), QStringLiteral("0"), viewType, QStringLiteral("2"), {}, {}},
                            true);
        CChangeValueAddr address({QStringLiteral("0x000080"), QStringLiteral("0"), viewType}, true);
        for (QDialog* dialog : {static_cast<QDialog*>(&symbol), static_cast<QDialog*>(&address)}) {
            dialog->findChild<QLineEdit*>(QStringLiteral("valueEdit"))->setText(typed);
            QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("previewLabel"))
                        ->text()
                        .startsWith(preview));
            dialog->accept();
            QCOMPARE(dialog->result() == QDialog::Accepted, accepted);
        }
        QCOMPARE(symbol.bits().has_value(), accepted);
        // Reference fields cannot be changed through assistive technology either.
        ui::ReadOnlyFieldAccessible::Install();
        QAccessibleInterface* name = QAccessible::queryAccessibleInterface(
            symbol.findChild<QLineEdit*>(QStringLiteral("symbolNameEdit")));
        QVERIFY(name->state().readOnly && !name->editableTextInterface());
        QCOMPARE(name->textInterface()->text(0, 1), QStringLiteral("x"));
    }

    // A long refusal is shown whole: the dialog grows to the wrapped lines it needs.
    void aLongRefusalIsNotClipped()
    {
        CChangeValue symbol({QStringLiteral("x"), QStringLiteral("0"), QStringLiteral("INT16"), QStringLiteral("2"), {}, {}},
                            true);
        CChangeValueAddr address({QStringLiteral("0x000080"), QStringLiteral("0"), QStringLiteral("INT16")}, true);
        for (QDialog* dialog : {static_cast<QDialog*>(&symbol), static_cast<QDialog*>(&address)}) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            dialog->findChild<QLineEdit*>(QStringLiteral("valueEdit"))->setText(QString(300, QLatin1Char('9')));
            QCoreApplication::processEvents();
            auto* preview = dialog->findChild<QLabel*>(QStringLiteral("previewLabel"));
            QVERIFY(preview->text().size() > 300);
            QVERIFY2(preview->height() >= preview->heightForWidth(preview->width()),
                     qPrintable(QStringLiteral("%1 < %2").arg(preview->height()).arg(preview->heightForWidth(preview->width()))));
        }
    }

    void addAddressShowsTheRowsItWillAdd()
    {
        CAddAddress dialog;
        dialog.findChild<QLineEdit*>(QStringLiteral("startAddressEdit"))->setText(QStringLiteral("0x100"));
        dialog.findChild<QLineEdit*>(QStringLiteral("lengthEdit"))->setText(QStringLiteral("3"));
        dialog.findChild<QComboBox*>(QStringLiteral("dataTypeCombo"))->setCurrentIndex(1); // HEX32
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("previewLabel"))->text(),
                 QStringLiteral("Adds 3 rows, 0x000100 to 0x000104"));
    }

    // Each change is on disk at once; one that cannot be saved is told with file and reason.
    void watchListsAreSavedAsTheyChange()
    {
        TestSettingsScope::WriteIn(QStringLiteral("Monitoring/Map File Path"), DemoMap());
        Bench bench;
        const QString mon = QString(DemoMap()).replace(QStringLiteral(".xMAP"), QStringLiteral(".Mon"));
        bench.Select("listLeft", {QStringLiteral("triangle")});
        bench.Trigger("listLeft", QStringLiteral("Watch Symbol"));
        QFile saved(mon);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("triangle,"));
        saved.close();
        QVERIFY(QFile::remove(mon) && QDir().mkdir(mon)); // a folder in its place
        bench.Select("listTRight", {QStringLiteral("triangle")});
        bench.Trigger("listTRight", QStringLiteral("INT16"));
        QVERIFY2(bench.dlg.StatusText().startsWith(
                     QStringLiteral("The watch lists could not be saved to %1: ").arg(mon)),
                 qPrintable(bench.dlg.StatusText()));
        QDir(mon).removeRecursively();
    }

    // A map of another part yields no symbol: the list empties, the status says why, and
    // the watch lists kept beside the map stay as they were, also at the end.
    void aMapWithoutSymbolsClearsTheListAndKeepsTheSavedWatchList()
    {
        TestSettingsScope::WriteIn(QStringLiteral("Monitoring/Map File Path"), DemoMap());
        Bench bench;
        bench.Select("listLeft", {QStringLiteral("counter16")});
        bench.Trigger("listLeft", QStringLiteral("Watch Symbol"));
        QFile saved(QString(DemoMap()).replace(QStringLiteral(".xMAP"), QStringLiteral(".Mon")));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray before = saved.readAll();
        saved.close();
        bench.mcu = 99; // a part without RAM windows
        bench.Button("reloadButton")->click();
        QCOMPARE(bench.List("listLeft")->model()->rowCount(), 0);
        QCOMPARE(bench.List("listTRight")->model()->rowCount(), 0);
        QVERIFY2(bench.dlg.StatusText().contains(QStringLiteral("outside the RAM")) &&
                     bench.dlg.StatusText().contains(QStringLiteral("MCU Select")),
                 qPrintable(bench.dlg.StatusText()));
        auto store = app::OpenQuobinSettings();
        bench.dlg.SaveState(*store);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), before);
    }

    // Enter runs the double-click command; Menu and Shift+F10 open the menu at the current
    // row; assistive technology finds the menu's commands as the list's actions.
    void rowCommandsWithoutAMouse()
    {
        TestSettingsScope::WriteIn(QStringLiteral("Monitoring/Map File Path"), DemoMap());
        Bench bench;
        bench.dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&bench.dlg));
        QTableView* symbols = bench.List("listLeft");
        symbols->setFocus();
        symbols->setCurrentIndex(symbols->model()->index(bench.RowOf("listLeft", QStringLiteral("triangle")), 0));
        QTest::keyClick(symbols, Qt::Key_Return);
        QTableView* watch = bench.List("listTRight");
        QCOMPARE(watch->model()->rowCount(), 1);

        for (const auto& [key, modifiers] : {std::pair{Qt::Key_Menu, Qt::KeyboardModifiers()},
                                             std::pair{Qt::Key_F10, Qt::KeyboardModifiers(Qt::ShiftModifier)}}) {
            bool opened = false;
            QTimer::singleShot(0, [&opened] {
                QWidget* popup = QApplication::activePopupWidget();
                opened = popup != nullptr;
                if (popup) popup->close();
            });
            QTest::keyClick(symbols, key, modifiers);
            QVERIFY(opened);
        }

        watch->setCurrentIndex(watch->model()->index(0, 2));
        watch->clearSelection();
        QAccessibleActionInterface* actions =
            QAccessible::queryAccessibleInterface(watch)->actionInterface();
        const QStringList names = actions->actionNames();
        for (const char* name : {"ShowMenu", "Change Value", "Delete Symbol", "FLOAT"})
            QVERIFY2(names.contains(QLatin1String(name)), name);
        actions->doAction(QStringLiteral("Delete Symbol"));
        QTRY_COMPARE(watch->model()->rowCount(), 0);
    }

    // A screen-reader user's whole path, through the accessibility tree alone: load the
    // demo map, watch three symbols, START, change the sine's amplitude, STOP.
    void aScreenReaderUserWatchesAndChangesAValue()
    {
        Bench bench;
        bench.dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&bench.dlg));
        // A control by its name; labels bear the names of their fields too.
        std::function<QAccessibleInterface*(QAccessibleInterface*, const QString&)> find =
            [&](QAccessibleInterface* node, const QString& name) -> QAccessibleInterface* {
            if (node->text(QAccessible::Name) == name && node->role() != QAccessible::StaticText)
                return node;
            if (node->role() == QAccessible::Table) return nullptr;
            for (int i = 0; i < node->childCount(); ++i)
                if (QAccessibleInterface* found = find(node->child(i), name)) return found;
            return nullptr;
        };
        const auto press = [](QAccessibleInterface* node) {
            node->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        };
        const auto rowOf = [](QAccessibleInterface* table, const QString& name) {
            for (int row = 0; row < table->tableInterface()->rowCount(); ++row)
                if (table->tableInterface()->cellAt(row, 0)->text(QAccessible::Name) == name) return row;
            return -1;
        };
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&bench.dlg);
        find(root, "MAP File Path")->editableTextInterface()->insertText(0, DemoMap());
        press(find(root, "File Reload"));
        QAccessibleInterface* symbols = find(root, "Symbol list");
        QTRY_VERIFY(symbols->tableInterface()->rowCount() > 0); // a press clicks a moment later
        for (const char* name : {"sineWave", "triangle", "sineAmplitude"})
            QVERIFY(symbols->tableInterface()->selectRow(rowOf(symbols, name)));
        symbols->actionInterface()->doAction(QStringLiteral("Watch Symbol"));
        QAccessibleInterface* watch = find(root, "Symbol watch list");
        QTRY_COMPARE(watch->tableInterface()->rowCount(), 3);
        press(find(root, "START"));
        const auto value = [&](const char* name) {
            return watch->tableInterface()->cellAt(rowOf(watch, name), 2)->text(QAccessible::Name);
        };
        QTRY_VERIFY(!value("triangle").isEmpty());
        const QString triangle = value("triangle");
        QTRY_VERIFY(value("triangle") != triangle);

        QVERIFY(watch->tableInterface()->selectRow(rowOf(watch, "sineAmplitude")));
        watch->actionInterface()->doAction(QStringLiteral("FLOAT")); // the amplitude's type
        watch->actionInterface()->doAction(QStringLiteral("Change Value"));
        QTimer::singleShot(0, [&] { // once the dialog is up
            QAccessibleInterface* dialog =
                QAccessible::queryAccessibleInterface(QApplication::activeModalWidget());
            QAccessibleInterface* edit = find(dialog, "Value");
            edit->editableTextInterface()->replaceText(0, edit->textInterface()->characterCount(),
                                                       QStringLiteral("12.5"));
            press(find(dialog, "OK"));
        });
        QTRY_COMPARE(value("sineAmplitude"), QStringLiteral("12.5"));
        QTRY_VERIFY(std::fabs(value("sineWave").toDouble()) <= 12.5 && value("sineWave") != "");
        press(find(root, "STOP"));
        QTRY_VERIFY(!bench.dlg.IsMonitoring());
    }

    // With the ELF beside the map the symbols show their C types, and the status names it.
    void theElfBesideTheMapGivesTheTypes()
    {
        QTemporaryDir folder;
        TypedDemoMap(folder);
        Bench bench;
        QVERIFY2(bench.dlg.StatusText().startsWith(QStringLiteral("types from ")),
                 qPrintable(bench.dlg.StatusText()));
        QAbstractItemModel* symbols = bench.List("listLeft")->model();
        QCOMPARE(symbols->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Type"));
        QVERIFY(!bench.Cell("listLeft", QStringLiteral("sineWave"), 3).isEmpty());
    }

    // A struct row lists its members only once opened (Right), and closing (Left) takes
    // them away again; the model keeps Qt's rules through both.
    void aStructRowOpensToItsMembers()
    {
        QTemporaryDir folder;
        TypedDemoMap(folder);
        Bench bench;
        QTableView* list = bench.List("listLeft");
        QAbstractItemModelTester tester(list->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const int symbols = list->model()->rowCount();
        const int motor = bench.RowOf("listLeft", QStringLiteral("motor"));
        QCOMPARE(bench.RowOf("listLeft", QStringLiteral("gain")), -1);
        list->setCurrentIndex(list->model()->index(motor, 0));
        QTest::keyClick(list, Qt::Key_Right);
        QCOMPARE(list->model()->rowCount(), symbols + 5);
        QCOMPARE(bench.RowOf("listLeft", QStringLiteral("gain")), motor + 2);
        QCOMPARE(bench.Cell("listLeft", QStringLiteral("RUN"), 1), QStringLiteral("0x000143"));
        QTest::keyClick(list, Qt::Key_Left);
        QCOMPARE(list->model()->rowCount(), symbols);
    }

    // Every step by keyboard: Enter in the path box loads that map (and does not start),
    // Ctrl+O browses, START hands the focus to STOP and back, open rows stay open across
    // File Reload, and typing a name's first letters finds it in the symbol list.
    void theKeyboardReachesEveryStep()
    {
        QTemporaryDir folder;
        const QString map = TypedDemoMap(folder);
        Bench bench;
        bench.dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&bench.dlg));
        auto* path = bench.Find<QLineEdit>("mapPathEdit");
        path->setText(DemoMap());
        path->setFocus();
        QTest::keyClick(path, Qt::Key_Return);
        QVERIFY(bench.RowOf("listLeft", QStringLiteral("motor")) < 0); // the untyped demo map now
        QVERIFY(!bench.dlg.IsMonitoring());

        int asked = 0;
        bench.dlg.SetFileChooser([&](QWidget*, const QString&) {
            ++asked;
            return map;
        });
        QTest::keySequence(&bench.dlg, QKeySequence::Open);
        QCOMPARE(asked, 1);
        QTableView* list = bench.List("listLeft");
        const int motor = bench.RowOf("listLeft", QStringLiteral("motor"));
        QVERIFY(motor >= 0);
        list->setCurrentIndex(list->model()->index(motor, 0));
        bench.Trigger("listLeft", QStringLiteral("Expand"));
        bench.Button("reloadButton")->click();
        QCOMPARE(bench.RowOf("listLeft", QStringLiteral("gain")), bench.RowOf("listLeft", QStringLiteral("motor")) + 2);

        list->setFocus();
        list->setCurrentIndex(list->model()->index(0, 2));
        QTest::keyClicks(list, QStringLiteral("sineA"));
        QCOMPARE(list->currentIndex().row(), bench.RowOf("listLeft", QStringLiteral("sineAmplitude")));

        bench.Button("startButton")->setFocus();
        QTest::keyClick(bench.Button("startButton"), Qt::Key_Space);
        QVERIFY(bench.dlg.IsMonitoring());
        QVERIFY(bench.Button("stopButton")->hasFocus());
        QTest::keyClick(bench.Button("stopButton"), Qt::Key_Space);
        QTRY_VERIFY(!bench.dlg.IsMonitoring());
        QVERIFY(bench.Button("startButton")->hasFocus());
    }

    // Room for long names: the dividers move by Alt+arrows (and say where they are), a
    // cut name is cut in the middle, and its tool tip holds it whole.
    void longNamesGetRoomAndShowWhole()
    {
        QTemporaryDir folder;
        TypedDemoMap(folder);
        Bench bench;
        bench.dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&bench.dlg));
        SpokenTexts spoken;
        auto* v = bench.Find<QSplitter>("vSplitter");
        const int before = v->sizes().value(0);
        QTest::keySequence(&bench.dlg, QKeySequence(Qt::ALT | Qt::Key_Right));
        QCOMPARE(v->sizes().value(0), before + 40);
        QVERIFY(SpokenTexts::Heard().last().text.endsWith(QStringLiteral(" percent")));
        QTest::keySequence(&bench.dlg, QKeySequence(Qt::ALT | Qt::Key_Left));
        QCOMPARE(v->sizes().value(0), before);
        QTableView* list = bench.List("listLeft");
        QCOMPARE(list->textElideMode(), Qt::ElideMiddle);
        list->setCurrentIndex(list->model()->index(bench.RowOf("listLeft", QStringLiteral("motor")), 0));
        bench.Trigger("listLeft", QStringLiteral("Expand"));
        QCOMPARE(list->model()->index(bench.RowOf("listLeft", QStringLiteral("gain")), 0).data(Qt::ToolTipRole),
                 QVariant(QStringLiteral("motor.gain")));
    }

    // Heard: a struct row is expandable and says whether it is open; a watched row's name
    // cell says its C type and a value cell whose row it is.
    void rowsSayTheirStateTypeAndName()
    {
        QTemporaryDir folder;
        TypedDemoMap(folder);
        Bench bench;
        QTableView* list = bench.List("listLeft");
        QAccessibleTableInterface* symbols = QAccessible::queryAccessibleInterface(list)->tableInterface();
        const int motor = bench.RowOf("listLeft", QStringLiteral("motor"));
        QAccessible::State state = symbols->cellAt(motor, 0)->state();
        QVERIFY(state.expandable && state.collapsed && !state.expanded);
        QVERIFY(!symbols->cellAt(bench.RowOf("listLeft", QStringLiteral("counter16")), 0)->state().expandable);
        list->setCurrentIndex(list->model()->index(motor, 0));
        bench.Trigger("listLeft", QStringLiteral("Expand"));
        state = symbols->cellAt(motor, 0)->state();
        QVERIFY(state.expandable && state.expanded && !state.collapsed);

        bench.Select("listLeft", {QStringLiteral("gain"), QStringLiteral("MODE")});
        bench.Trigger("listLeft", QStringLiteral("Watch Symbol"));
        QTableView* watch = bench.List("listTRight");
        QAccessibleTableInterface* watched = QAccessible::queryAccessibleInterface(watch)->tableInterface();
        const int gain = bench.RowOf("listTRight", QStringLiteral("motor.gain"));
        const int mode = bench.RowOf("listTRight", QStringLiteral("motor.MODE"));
        QCOMPARE(watched->cellAt(gain, 0)->text(QAccessible::Description), QStringLiteral("Frac16"));
        QCOMPARE(watched->cellAt(mode, 0)->text(QAccessible::Description),
                 QStringLiteral("unsigned short : 3, bits 2..0 of 0x000143"));
        QCOMPARE(watched->cellAt(gain, 2)->text(QAccessible::Description), QStringLiteral("motor.gain, Monitor Value"));
    }

    // Watch by Name (Ctrl+W) completes one step at a time, refuses what names nothing with
    // the reason and stays, and adds what it names with an announcement.
    void watchByNameReachesAnyElement()
    {
        QTemporaryDir folder;
        TypedDemoMap(folder);
        Bench bench;
        bench.dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&bench.dlg));
        SpokenTexts spoken;
        bool asked = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CWatchByName*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            asked = true;
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("nameEdit"));
            QTest::keyClicks(edit, QStringLiteral("motor."));
            const QStringList members =
                qobject_cast<QStringListModel*>(edit->completer()->model())->stringList();
            QVERIFY(members.contains(QStringLiteral("motor.gain")));
            QVERIFY(members.contains(QStringLiteral("motor.MODE")));
            edit->setText(QStringLiteral("samples[8]"));
            dialog->accept();
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("previewLabel"))->text(),
                     QStringLiteral("'samples' has 8 elements"));
            edit->setText(QStringLiteral("samples[7]"));
            dialog->accept();
        });
        QTest::keySequence(&bench.dlg, QKeySequence(Qt::CTRL | Qt::Key_W));
        QVERIFY(asked);
        QVERIFY(bench.RowOf("listTRight", QStringLiteral("samples[7]")) >= 0);
        QVERIFY(SpokenTexts::Heard().contains(
            SpokenTexts::Spoken{QStringLiteral("samples[7] added to the watch list"), false}));
    }

    // Enter on the row that counts the elements left out opens Watch by Name at the
    // array's next step.
    void theMoreRowOpensWatchByName()
    {
        QTemporaryDir folder;
        TypedDemoMap(folder);
        elf::DebugInfo program;
        elf::Type s16;
        s16.kind = elf::TypeKind::Base, s16.name = "short", s16.byteSize = 2;
        elf::Type samples;
        samples.kind = elf::TypeKind::Array, samples.count = 300, samples.target = 0;
        program.types = {s16, samples};
        program.variables = {{"samples", sim::demo::kSamples * 2, 1}};
        const auto bytes = elf::WriteDebugElf(program);
        QFile elf(folder.filePath(QStringLiteral("demo.elf")));
        QVERIFY(elf.open(QIODevice::WriteOnly | QIODevice::Truncate));
        elf.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        elf.close();
        Bench bench;
        QTableView* list = bench.List("listLeft");
        list->setCurrentIndex(list->model()->index(bench.RowOf("listLeft", QStringLiteral("samples")), 0));
        bench.Trigger("listLeft", QStringLiteral("Expand"));
        const int more = bench.RowOf("listLeft", QStringLiteral("… 44 more"));
        QVERIFY(more > 0);
        list->setCurrentIndex(list->model()->index(more, 0));
        QString started;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CWatchByName*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            started = dialog->findChild<QLineEdit*>(QStringLiteral("nameEdit"))->text();
            dialog->reject();
        });
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(started, QStringLiteral("samples["));
    }

    // Member rows are watched by their path, read at their own address with their own
    // type (a bit field's bits, an enum with its name), a bit field is changed within its
    // word, and they come back by their path from the .Mon file.
    void memberRowsAreWatchedByTheirPath()
    {
        QTemporaryDir folder;
        TypedDemoMap(folder);
        Bench bench;
        QTableView* list = bench.List("listLeft");
        list->setCurrentIndex(list->model()->index(bench.RowOf("listLeft", QStringLiteral("motor")), 0));
        bench.Trigger("listLeft", QStringLiteral("Expand"));
        bench.Select("listLeft", {QStringLiteral("gain"), QStringLiteral("MODE"), QStringLiteral("mode")});
        bench.Trigger("listLeft", QStringLiteral("Watch Symbol"));
        bench.Button("reloadButton")->click(); // saved, then restored from the file
        const std::pair<QString, QString> rows[] = {{"motor.gain", "0x000142"},
                                                    {"motor.MODE", "0x000143"},
                                                    {"mode", "0x00014C"}};
        for (const auto& [name, address] : rows)
            QCOMPARE(bench.Cell("listTRight", name, 1), address);
        bench.dlg.show();
        bench.Button("startButton")->click();
        QTRY_COMPARE(bench.Cell("listTRight", QStringLiteral("motor.MODE"), 2), QStringLiteral("1"));
        QTRY_COMPARE(bench.Cell("listTRight", QStringLiteral("mode"), 2), QStringLiteral("1 (MODE_RUN)"));
        QCOMPARE(bench.Cell("listTRight", QStringLiteral("motor.gain"), 3), QStringLiteral("FRAC16"));
        QCOMPARE(bench.Cell("listTRight", QStringLiteral("motor.gain"), WatchListModel::kTypeColumn),
                 QStringLiteral("Frac16"));
        QCOMPARE(bench.Cell("listTRight", QStringLiteral("motor.MODE"), WatchListModel::kTypeColumn),
                 QStringLiteral("unsigned short : 3"));
        const QAbstractItemModel* watched = bench.List("listTRight")->model();
        QCOMPARE(watched->index(bench.RowOf("listTRight", QStringLiteral("motor.MODE")), 3).data(Qt::ToolTipRole),
                 QVariant(QStringLiteral("bits 2..0 of 0x000143")));
        bench.Select("listTRight", {QStringLiteral("motor.MODE")});
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<CChangeValue*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->findChild<QLineEdit*>(QStringLiteral("valueEdit"))->setText(QStringLiteral("5"));
            dialog->accept();
        });
        bench.Trigger("listTRight", QStringLiteral("Change Value"));
        QTRY_COMPARE(bench.Cell("listTRight", QStringLiteral("motor.MODE"), 2), QStringLiteral("5"));
        QVERIFY(bench.messages.isEmpty());

        // The enum's dialog takes its own prefilled "1 (MODE_RUN)", completes the names and
        // writes one by name.
        bench.Select("listTRight", {QStringLiteral("mode")});
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<CChangeValue*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("valueEdit"));
            auto* preview = dialog->findChild<QLabel*>(QStringLiteral("previewLabel"));
            QCOMPARE(edit->text(), QStringLiteral("1 (MODE_RUN)"));
            QCOMPARE(preview->text(), QStringLiteral("1 (MODE_RUN) as UINT16: 0x0001"));
            QVERIFY(edit->completer());
            QCOMPARE(edit->completer()->model()->rowCount(), 2);
            edit->setText(QStringLiteral("MODE_GO"));
            QCOMPARE(preview->text(), QStringLiteral("Not written: cannot write to mode as UINT16: 'MODE_GO' is "
                                                     "none of MODE_STOP (0), MODE_RUN (1)"));
            edit->setText(QStringLiteral("MODE_STOP"));
            dialog->accept();
        });
        bench.Trigger("listTRight", QStringLiteral("Change Value"));
        QTRY_COMPARE(bench.Cell("listTRight", QStringLiteral("mode"), 2), QStringLiteral("0 (MODE_STOP)"));
    }

private:
    std::unique_ptr<TestSettingsScope> m_scope;
};

QTEST_MAIN(TestMonDlg)
#include "TestMonDlg.moc"
