// Renders a Markdown file to PDF with Qt's own Markdown reader and PDF writer, so the
// manual needs no tool beyond the Qt the program is built with.
// Usage: quobin_mdpdf INPUT.md OUTPUT.pdf

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
        std::fprintf(stderr, "quobin_mdpdf: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    const QString markdown = QString::fromUtf8(input.readAll());

    QPdfWriter writer(args[2]);
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
    if (!QFile::exists(args[2])) {
        std::fprintf(stderr, "quobin_mdpdf: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
