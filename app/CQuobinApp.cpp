#include "CQuobinApp.h"

#include <QApplication>
#include <QIcon>
#include <QImageWriter>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <memory>

void CQuobinApp::PrepareApplication(QApplication& application)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Ulmvero"));
    QCoreApplication::setApplicationName(QStringLiteral("Quobin"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.3"));
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
