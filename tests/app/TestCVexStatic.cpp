#include "app/CVexStatic.h"

#include <QImage>
#include <QtTest>

namespace {

const QColor kBackground(0, 255, 180);

QImage Render(CVexStatic& line)
{
    QImage image(line.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    line.render(&image);
    return image;
}

// Glyph edges are blended with the background; their cores carry the pen colour. These
// classify a pixel by the ink that dominates it.
bool IsRedInk(const QColor& c)
{
    return c.red() > 200 && c.green() < 90 && c.blue() < 90;
}
bool IsBlackInk(const QColor& c)
{
    return c.red() < 60 && c.green() < 90 && c.blue() < 90;
}

template <typename Test> int CountInk(const QImage& image, Test isInk)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += isInk(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

int CountPixels(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour ? 1 : 0;
    return count;
}

// Rows that hold anything but the background.
std::pair<int, int> InkRows(const QImage& image)
{
    int first = -1;
    int last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != kBackground) {
                if (first < 0) first = y;
                last = y;
                break;
            }
    return {first, last};
}

void SetUp(CVexStatic& line, const QString& text, const QColor& colour, QSize size = {428, 21})
{
    line.resize(size);
    line.m_backColor = kBackground;
    line.m_textColor = colour;
    line.m_textShown = true;
    line.SetText(text);
}

} // namespace

class TestCVexStatic : public QObject {
    Q_OBJECT

private slots:
    void ampersandPrefixProcessing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("double") << "Download && Verify"
                                << "Download & Verify";
        QTest::newRow("plain") << "Success to load S File"
                               << "Success to load S File";
        QTest::newRow("mnemonic") << "&About Quobin..."
                                  << "About Quobin...";
        QTest::newRow("triple") << "a&&&b"
                                << "a&b";
        QTest::newRow("trailing") << "end&"
                                  << "end";
        QTest::newRow("only doubles") << "&&&&"
                                      << "&&";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("percent") << "P1FLASH (1024 Word, 0.8%)"
                                 << "P1FLASH (1024 Word, 0.8%)";
    }
    void ampersandPrefixProcessing()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(CVexStatic::DisplayText(text), shown);
    }

    void doubledAmpersandPaintsLikeOne()
    {
        CVexStatic doubled;
        SetUp(doubled, QStringLiteral("Download && Verify"), Qt::black);
        CVexStatic single;
        SetUp(single, QStringLiteral("Download &&& Verify"), Qt::black);
        // "&&&" followed by a space shows "& " — the same pixels as "&&".
        QCOMPARE(Render(doubled), Render(single));
    }

    void errorTextIsRedOnTheBackground()
    {
        CVexStatic line;
        SetUp(line, QStringLiteral("Device is not connected to the PC."), QColor(255, 0, 0));
        const QImage image = Render(line);
        QCOMPARE(image.pixelColor(0, 0), kBackground);
        QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1), kBackground);
        QVERIFY(CountInk(image, IsRedInk) > 20);
        QCOMPARE(CountInk(image, IsBlackInk), 0);
    }

    void normalTextIsBlack()
    {
        CVexStatic line;
        SetUp(line, QStringLiteral("Success to load S File"), QColor(0, 0, 0));
        const QImage image = Render(line);
        QVERIFY(CountInk(image, IsBlackInk) > 20);
        QCOMPARE(CountInk(image, IsRedInk), 0);
    }

    void emptyTextPaintsOnlyTheBackground()
    {
        CVexStatic line;
        SetUp(line, QString(), Qt::red);
        const QImage image = Render(line);
        QCOMPARE(CountPixels(image, kBackground), image.width() * image.height());
    }

    void hiddenTextPaintsOnlyTheBackground()
    {
        CVexStatic line;
        SetUp(line, QStringLiteral("Initializing..."), Qt::black);
        line.m_textShown = false;
        const QImage image = Render(line);
        QCOMPARE(CountPixels(image, kBackground), image.width() * image.height());
    }

    void textIsCentred()
    {
        CVexStatic line;
        SetUp(line, QStringLiteral("Initializing..."), Qt::black, {300, 40});
        const QImage image = Render(line);
        int left = image.width();
        int right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) != kBackground) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        QVERIFY(right > left);
        QVERIFY(qAbs(left - (image.width() - 1 - right)) <= 3);
        const auto [top, bottom] = InkRows(image);
        QVERIFY(qAbs(top - (image.height() - 1 - bottom)) <= 4);
    }

    void longTextStaysOnOneLineAndIsCut()
    {
        CVexStatic line;
        const QString longText = QStringLiteral(
            "Success to download and verify FLASH to the MCU (12.34 sec) and much more text "
            "that will never fit into this narrow line");
        SetUp(line, longText, Qt::black, {160, 120});
        const QImage image = Render(line);
        const auto [top, bottom] = InkRows(image);
        // A wrapped text would cover several line heights; one line covers less than one.
        QVERIFY(top >= 0);
        QVERIFY(bottom - top < line.fontMetrics().height());
        // Ink reaches both edges: the line is centred and cut on either side.
        bool leftInk = false;
        bool rightInk = false;
        for (int y = top; y <= bottom; ++y)
            for (int x = 0; x < 8; ++x) {
                leftInk |= image.pixelColor(x, y) != kBackground;
                rightInk |= image.pixelColor(image.width() - 1 - x, y) != kBackground;
            }
        QVERIFY(leftInk && rightInk);
    }

    void fittingGrowsAShortLowArea()
    {
        CVexStatic line;
        const QColor window(40, 60, 80);
        QPalette palette = line.palette();
        palette.setColor(QPalette::Window, window);
        line.setPalette(palette);
        line.resize(4, 2);
        line.SetText(QStringLiteral("Initializing..."));
        line.m_backColor = kBackground;
        line.m_textShown = true;
        line.FitAreaToText();
        const int fittedRight = 15 * line.fontMetrics().horizontalAdvance(QLatin1Char('A')) - 1;
        const int fittedBottom = line.fontMetrics().height() - 1;
        line.resize(400, 40);
        // The fitted area is kept; beyond it the widget shows the window's background, never
        // whatever was there before (it paints opaquely).
        QImage image(line.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        line.render(&image);
        QCOMPARE(image.pixelColor(0, 0), kBackground);
        QCOMPARE(image.pixelColor(fittedRight, fittedBottom), kBackground);
        QCOMPARE(image.pixelColor(fittedRight + 1, 0), window);
        QCOMPARE(image.pixelColor(0, fittedBottom + 1), window);
        QCOMPARE(image.pixelColor(399, 39), window);
        QCOMPARE(CountPixels(image, QColor(Qt::white)), 0);
    }
};

QTEST_MAIN(TestCVexStatic)
#include "TestCVexStatic.moc"
