// quobin_monitor_shot FILE MAP [MS]: opens the "Data Monitoring" window on the emulated POD
// (real-time wire) with the demo program's map, watches a few of its variables, the members
// of its open struct (when the map has its ELF beside it) and a run of raw words, presses START, and after MS milliseconds of live values saves the window's
// picture to FILE. Used by scripts/screenshot.

#include "monitor/ui/CMonDlg.h"

#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "sim/DemoVariables.h"
#include "sim/SimUsbDriver.h"

#include <QApplication>
#include <QComboBox>
#include <QImageWriter>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

namespace {

constexpr int kMc56f8367 = 27;

[[noreturn]] void Fail(const char* what, const QString& name)
{
    std::fprintf(stderr, "quobin_monitor_shot: %s %s\n", what, qPrintable(name));
    std::exit(1);
}

// Drives the window through its own menus, as a user would.
class Driver {
public:
    explicit Driver(CMonDlg& dlg) : m_dlg(dlg) {}

    QTableView* List(const char* name) const
    {
        auto* list = m_dlg.findChild<QTableView*>(QLatin1String(name));
        if (!list) Fail("no list", QLatin1String(name));
        return list;
    }
    void SelectRow(const char* listName, const QString& name)
    {
        QTableView* list = List(listName);
        QAbstractItemModel* model = list->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 0).data().toString() == name) {
                list->selectRow(row);
                return;
            }
        }
        Fail("no row", name);
    }
    void Trigger(const char* listName, bool onRow, const QString& text)
    {
        std::unique_ptr<QMenu> menu = m_dlg.MakeContextMenu(List(listName), onRow);
        QList<QAction*> actions = menu->actions();
        for (QAction* action : menu->actions())
            if (action->menu()) actions += action->menu()->actions();
        for (QAction* action : actions) {
            if (action->text() == text) {
                action->trigger();
                return;
            }
        }
        Fail("no menu item", text);
    }
    void Watch(const QString& symbol, const QString& viewType = {})
    {
        SelectRow("listLeft", symbol);
        Trigger("listLeft", true, QStringLiteral("Watch Symbol"));
        if (viewType.isEmpty()) return;
        SelectRow("listTRight", symbol);
        Trigger("listTRight", true, viewType);
    }
    // Opens a struct row of the symbol list and watches these members of it.
    void WatchMembers(const QString& parent, const QStringList& members)
    {
        SelectRow("listLeft", parent);
        QTableView* list = List("listLeft");
        list->setCurrentIndex(list->selectionModel()->selectedRows().value(0));
        Trigger("listLeft", true, QStringLiteral("Expand"));
        for (const QString& member : members) {
            SelectRow("listLeft", member);
            Trigger("listLeft", true, QStringLiteral("Watch Symbol"));
        }
    }
    // "Add Address" asks through a modal dialog: answered as soon as it is up.
    void AddAddresses(const QString& start, const QString& length, const QString& viewType)
    {
        QTimer::singleShot(0, [=] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) Fail("no dialog for", start);
            modal->findChild<QLineEdit*>(QStringLiteral("startAddressEdit"))->setText(start);
            modal->findChild<QLineEdit*>(QStringLiteral("lengthEdit"))->setText(length);
            auto* type = modal->findChild<QComboBox*>(QStringLiteral("dataTypeCombo"));
            type->setCurrentIndex(type->findText(viewType));
            modal->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        });
        Trigger("listBRight", false, QStringLiteral("Add Address"));
    }

private:
    CMonDlg& m_dlg;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: quobin_monitor_shot FILE MAP [MS]\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QString map = QString::fromLocal8Bit(argv[2]);
    const int liveMs = argc > 3 ? std::atoi(argv[3]) : 800;
    QApplication application(argc, argv);

    pod::SteadyPodClock clock;
    sim::SimOptions options;
    options.wire = sim::WireMode::kReal;
    auto driver = sim::CreateSimDriver(options, clock);
    pod::PodSession session(*driver, clock);
    CMonDlg dlg(session, [] { return kMc56f8367; });

    // Private settings: the defaults, and the map named on the command line. They are never
    // saved, so neither are the watch lists beside the map.
    QTemporaryDir folder;
    QSettings settings(folder.filePath(QStringLiteral("Quobin.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Monitoring/Map File Path"), map);
    // Room for the open struct's names and for every watched row.
    settings.setValue(QStringLiteral("Monitoring/VSplitter Position"), 330);
    settings.setValue(QStringLiteral("Monitoring/HSplitter Position"), 330);
    const std::pair<const char*, int> widths[] = {{"Left 0", 110},   {"Left 1", 78},
                                                  {"Left 2", 40},    {"TRight 0", 110},
                                                  {"TRight 1", 78},  {"TRight 3", 70},
                                                  {"TRight 4", 60}};
    for (const auto& [column, width] : widths)
        settings.setValue(QStringLiteral("Monitoring/%1 Column Width").arg(QLatin1String(column)), width);
    dlg.Initialize(settings);
    if (dlg.symbols().empty()) Fail("cannot read the map", map);

    Driver window(dlg);
    // Whatever lists were kept beside the map give way to the picture's own.
    window.Trigger("listTRight", false, QStringLiteral("Delete All Symbol"));
    window.Trigger("listBRight", false, QStringLiteral("Delete All Address"));
    window.Watch(QStringLiteral("counter16"));
    window.Watch(QStringLiteral("counter32"));
    // With the ELF beside the map each row starts with its C type's view.
    window.Watch(QStringLiteral("sineWave"));
    window.Watch(QStringLiteral("triangle"));
    window.Watch(QStringLiteral("message"));
    window.Watch(QStringLiteral("mode"));
    window.WatchMembers(QStringLiteral("motor"), {QStringLiteral("speed"), QStringLiteral("gain"),
                                                  QStringLiteral("RUN"), QStringLiteral("MODE")});
    window.AddAddresses(QStringLiteral("0x%1").arg(sim::demo::kCounter16, 0, 16),
                        QStringLiteral("4"), QStringLiteral("HEX16"));
    for (const char* list : {"listLeft", "listTRight", "listBRight"}) {
        window.List(list)->clearSelection();
        window.List(list)->setCurrentIndex({});
    }

    dlg.show();
    int exitCode = 0;
    QTimer::singleShot(0, &dlg, [&] { dlg.findChild<QPushButton*>("startButton")->click(); });
    QTimer::singleShot(liveMs, &dlg, [&] {
        if (!dlg.IsMonitoring()) {
            std::fprintf(stderr, "quobin_monitor_shot: monitoring did not run\n");
            exitCode = 1;
        }
        QImageWriter writer(file);
        if (exitCode == 0 && !writer.write(dlg.grab().toImage())) {
            std::fprintf(stderr, "quobin_monitor_shot: cannot write %s: %s\n", qPrintable(file),
                         qPrintable(writer.errorString()));
            exitCode = 1;
        }
        application.quit();
    });
    application.exec();
    return exitCode;
}
