#include "app/CQuobinApp.h"

#include "quobin/Version.h"

#include <QApplication>
#include <QIcon>
#include <QImageWriter>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <memory>

const char* const CQuobinApp::kNoDisplayMessage =
    "quobin: no display found; use quobin-cli on a terminal, or run the window with xvfb-run "
    "quobin";

bool CQuobinApp::DisplayAvailable(const QStringList& arguments)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const qsizetype flag = arguments.indexOf(QStringLiteral("-platform"));
    if (flag >= 0 && flag + 1 < arguments.size()) platform = arguments[flag + 1];
    platform = platform.section(QLatin1Char(':'), 0, 0).section(QLatin1Char(';'), 0, 0);
    static const QStringList kNeedNoDisplay = {
        QStringLiteral("offscreen"), QStringLiteral("minimal"), QStringLiteral("vnc"),
        QStringLiteral("linuxfb"),   QStringLiteral("eglfs"),   QStringLiteral("vkkhrdisplay")};
    if (kNeedNoDisplay.contains(platform)) return true;
    if (platform.startsWith(QLatin1String("wayland")))
        return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform == QLatin1String("xcb")) return !qEnvironmentVariableIsEmpty("DISPLAY");
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    (void)arguments;
    return true;
#endif
}

void CQuobinApp::PrepareApplication(QApplication& application)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Ulmvero"));
    QCoreApplication::setApplicationName(QStringLiteral("Quobin"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(quobin::kVersion));
    application.setWindowIcon(QIcon(QStringLiteral(":/icons/quobin-64.png")));
}

int CQuobinApp::Run(const app::AppOptions& options, const CQuobinDlg::BackendFactory& makeBackend)
{
    auto window = std::make_unique<CQuobinDlg>(makeBackend);
    window->Initialize();
    int exitCode = 0;
    if (!options.screenshot.isEmpty()) {
        const QString file = options.screenshot;
        QTimer::singleShot(0, window.get(), [&window, &exitCode, file] {
            QImageWriter writer(file);
            if (!writer.write(window->grab().toImage())) {
                std::fprintf(stderr, "quobin: cannot write %s: %s\n", qPrintable(file),
                             qPrintable(writer.errorString()));
                exitCode = 1;
            }
            window->accept();
        });
    }
    window->exec();
    // Destroying the window saves its settings and ends any worker first.
    window.reset();
    return exitCode;
}
