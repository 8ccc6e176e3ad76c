// Renders a Markdown file to PDF with Qt's own Markdown reader and PDF writer, so the
// manual needs no tool beyond the Qt the program is built with.
// Usage: quobin_mdpdf INPUT.md OUTPUT.pdf
//
// The PDF is written to OUTPUT.part and renamed over OUTPUT only when complete: a failed run leaves
// the previous manual untouched and exits non-zero, so the build cannot mistake an old PDF for a
// fresh one.

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>
#include <filesystem>
#include <system_error>

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: quobin_mdpdf INPUT.md OUTPUT.pdf\n");
        return 2;
    }
    QFile input(args[1]);
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "quobin_mdpdf: cannot read %s: %s\n", qPrintable(args[1]),
                     qPrintable(input.errorString()));
        return 1;
    }
    const QString markdown = QString::fromUtf8(input.readAll());

    // QSaveFile would do the same, but reports a failed temporary file only as "Unknown
    // error"; the system's own reason is what tells the user what to fix.
    const QString outputPath = args[2];
    const QString partPath = outputPath + QStringLiteral(".part");
    auto fail = [&outputPath, &partPath](const QString& reason) {
        QFile::remove(partPath);
        std::fprintf(stderr, "quobin_mdpdf: cannot write %s: %s\n", qPrintable(outputPath),
                     qPrintable(reason));
        return 1;
    };
    QFile output(partPath);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate)) return fail(output.errorString());
    QPdfWriter writer(&output);
    writer.setTitle(QStringLiteral("Quobin Manual"));
    writer.setCreator(QStringLiteral("Quobin"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);

    QTextDocument document;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    document.setDefaultFont(font);
    // Pictures are named relative to the Markdown file.
    document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(args[1]).absolutePath() + QLatin1Char('/')));
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    document.print(&writer);
    if (!output.flush() || output.error() != QFileDevice::NoError)
        return fail(output.errorString());
    output.close();
    std::error_code ec;
    std::filesystem::rename(partPath.toStdString(), outputPath.toStdString(), ec);
    if (ec) return fail(QString::fromStdString(ec.message()));
    return 0;
}
