#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

// The tool's own line on stderr (Qt may put warnings of its own before it).
QString ToolMessage(QProcess& tool)
{
    const QStringList lines = QString::fromLocal8Bit(tool.readAllStandardError())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines)
        if (line.startsWith(QStringLiteral("quobin_mdpdf: "))) return line;
    return {};
}

// The manual that HELP opens is rendered from Markdown at build time.
class TestManualPdf : public QObject {
    Q_OBJECT

private slots:
    void manualMentionsEveryStatusMessage()
    {
        QFile manual(QStringLiteral(QUOBIN_MANUAL_MD));
        QVERIFY(manual.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(manual.readAll());
        const char* const messages[] = {"Device is not connected to the PC.",
                                        "Failed to open USB port",
                                        "Please, specify S file path",
                                        "Can't find the specified S file path",
                                        "Please, select one more flash memory sectors",
                                        "Fail to read the specified S file",
                                        "S file is invalid.",
                                        "Success to load S File",
                                        "Initializing...",
                                        "Failed to JTAG initialize",
                                        "Failed to Unlocked to the FLASH",
                                        "Failed activated EONCE",
                                        "Failed to download firmware to the MCU",
                                        "Failed to erase FLASH",
                                        "Failed to download DFLASH to the MCU",
                                        "Failed to write information to the POD",
                                        "Failed to write firmware to the POD",
                                        "Failed to write DFLASH to the POD",
                                        "Success to download and verify FLASH to the MCU",
                                        "Success to download FLASH to the MCU",
                                        "Success to verify FLASH to the MCU",
                                        "Success to download and verify FLASH to the POD",
                                        "Success to download FLASH to the POD",
                                        "Success to verify FLASH to the POD",
                                        "Success to firmware update to the POD",
                                        "Failed to firmware update to the POD",
                                        "Firmware updateing...",
                                        "Failed Get POD Version",
                                        "Success to reset",
                                        "Failed to reset",
                                        "Not found [Quobin_Manual.pdf] help file"};
        for (const char* message : messages)
            QVERIFY2(text.contains(QLatin1String(message)), message);
    }

    void rendersAPdf()
    {
        QTemporaryDir folder;
        const QString output = folder.filePath(QStringLiteral("Quobin_Manual.pdf"));
        QProcess tool;
        tool.start(QStringLiteral(QUOBIN_MDPDF), {QStringLiteral(QUOBIN_MANUAL_MD), output});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QFile pdf(output);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        // The whole manual is several pages; a failed Markdown parse would leave one.
        const QRegularExpression count(QStringLiteral("/Count (\\d+)"));
        const auto match = count.match(QString::fromLatin1(bytes));
        QVERIFY(match.hasMatch());
        QVERIFY(match.captured(1).toInt() >= 3);
    }

    void missingInputFails()
    {
        QTemporaryDir folder;
        const QString input = folder.filePath(QStringLiteral("absent.md"));
        QProcess tool;
        tool.start(QStringLiteral(QUOBIN_MDPDF), {input, folder.filePath(QStringLiteral("x.pdf"))});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 1);
        QCOMPARE(
            ToolMessage(tool),
            QStringLiteral("quobin_mdpdf: cannot read %1: No such file or directory").arg(input));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("x.pdf"))));
    }

    // An old manual at the output path must not pass for a new one: the run fails, says
    // which file and why, and leaves the old one as it was.
    void unwritableOutputFailsEvenWithAnOldPdfThere_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::addColumn<QString>("reason");
        // The partial file beside a name of the longest length has too long a name; this
        // holds for every user, root included.
        QTest::newRow("name too long for the partial file")
            << QString(251, QLatin1Char('m')) + QStringLiteral(".pdf") << false
            << QStringLiteral("File name too long");
        QTest::newRow("read-only folder")
            << QStringLiteral("Quobin_Manual.pdf") << true << QStringLiteral("Permission denied");
    }

    void unwritableOutputFailsEvenWithAnOldPdfThere()
    {
        QFETCH(QString, name);
        QFETCH(bool, readOnlyFolder);
        QFETCH(QString, reason);
        if (readOnlyFolder && ::geteuid() == 0) QSKIP("root writes into read-only folders");
        QTemporaryDir folder;
        const QString output = folder.filePath(name);
        const QByteArray old = "%PDF-1.4 old manual";
        {
            QFile file(output);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(old);
        }
        if (readOnlyFolder)
            QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));

        QProcess tool;
        tool.start(QStringLiteral(QUOBIN_MDPDF), {QStringLiteral(QUOBIN_MANUAL_MD), output});
        QVERIFY(tool.waitForFinished(60000));
        QFile::setPermissions(folder.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(tool.exitCode(), 1);
        QCOMPARE(ToolMessage(tool),
                 QStringLiteral("quobin_mdpdf: cannot write %1: %2").arg(output, reason));
        QVERIFY(!QFile::exists(output + QStringLiteral(".part")));
        QFile file(output);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old);
    }
};

QTEST_GUILESS_MAIN(TestManualPdf)
#include "TestManualPdf.moc"
