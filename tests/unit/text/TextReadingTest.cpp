#include "TestPages.h"
#include "TextSample.h"
#include "text/CodeScanner.h"
#include "text/TesseractTextReader.h"
#include "text/TextAssembly.h"
#include "text/TextImage.h"
#include "text/TextLanguages.h"

#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moxilane;

TEST(TextAssembly, CodesFirstThenTheTextWithItsLinesAndParagraphs) {
    struct Row {
        const char* name;
        QStringList codes;
        QString recognised;
        QString expected;
    };
    const Row rows[] = {
        {"nothing", {}, QStringLiteral("  \n\f"), QString()},
        {"text only, padding and the page's form feed gone",
         {},
         QStringLiteral("\n\nfirst line  \nsecond\n\f"),
         QStringLiteral("first line\nsecond")},
        {"paragraphs keep one empty line",
         {},
         QStringLiteral("one\n\n\n\ntwo\n"),
         QStringLiteral("one\n\ntwo")},
        {"hyphens at line ends stay as printed",
         {},
         QStringLiteral("recog-\nnition\n"),
         QStringLiteral("recog-\nnition")},
        {"codes one a line, then the text",
         {"https://example.org/a", "4006381333931"},
         QStringLiteral("Hello\n"),
         QStringLiteral("https://example.org/a\n4006381333931\n\nHello")},
        {"a code seen twice counts once; codes alone", {"X", "X"}, QString(), QStringLiteral("X")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(assembleText(row.codes, row.recognised), row.expected);
    }
}

TEST(TextAssembly, BinaryOrBrokenCodesAreEscapedNeverCopiedAsText) {
    struct Row {
        const char* name;
        QByteArray bytes;
        std::optional<QString> decoded;
        QString expected;
    };
    const Row rows[] = {
        {"UTF-8 text", QByteArray("Grüße"), std::nullopt, QStringLiteral("Grüße")},
        {"invalid UTF-8", QByteArray("ab\xff\xfe", 4), std::nullopt,
         QStringLiteral("ab\\xff\\xfe")},
        {"binary with a NUL", QByteArray("\x00\x01z", 3), std::nullopt,
         QStringLiteral("\\x00\\x01z")},
        {"a backslash in escaped bytes is escaped too", QByteArray("\\\x80", 2), std::nullopt,
         QStringLiteral("\\x5c\\x80")},
        {"a declared charset's text", QByteArray("\xe9t\xe9", 3), QStringLiteral("été"),
         QStringLiteral("été")},
        {"a control character in the text", QByteArray("a\x07", 2), QStringLiteral("a\x07"),
         QStringLiteral("a\\x07")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(codeLine(row.bytes, row.decoded), row.expected);
    }
}

TEST(TextLanguages, LocaleMatchesWithEnglishUnlessTheSettingSays) {
    const QStringList installed{"eng", "deu", "chi_sim", "chi_sim_vert", "fra"};
    struct Row {
        const char* name;
        QString setting;
        QStringList locales;
        QStringList installed;
        QString expected;  // or the package the error names
        bool fails = false;
    };
    const Row rows[] = {
        {"English locale", {}, {"en_GB"}, installed, "eng"},
        {"German locale adds German, then English", {}, {"de_DE", "en_US"}, installed, "deu+eng"},
        {"Chinese by its bibliographic code; vertical data left out",
         {},
         {"zh_CN"},
         installed,
         "chi_sim+eng"},
        {"a locale without installed data", {}, {"es_ES"}, installed, "eng"},
        {"the C locale", {}, {"C"}, installed, "eng"},
        {"the setting overrides", "fra+deu", {"de_DE"}, installed, "fra+deu"},
        {"the setting without English", " deu ", {"en_US"}, installed, "deu"},
        {"a set language without data", "eng+spa", {}, installed, "tesseract-ocr-spa", true},
        {"a script variant's package", "chi_tra", {}, installed, "tesseract-ocr-chi-tra", true},
        {"no English data", {}, {"de_DE"}, {"deu"}, "tesseract-ocr-eng", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto chosen = chooseTextLanguages(row.setting, row.locales, row.installed);
        ASSERT_EQ(chosen.has_value(), !row.fails);
        if (row.fails)
            EXPECT_TRUE(chosen.error().contains(row.expected)) << chosen.error().toStdString();
        else
            EXPECT_EQ(*chosen, row.expected);
    }
}

TEST(TextLanguages, InstalledAreTheDataFilesButOrientation) {
    QTemporaryDir folder;
    for (const char* name : {"eng.traineddata", "osd.traineddata", "deu.traineddata", "x.txt"}) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QStringList found = installedTextLanguages(folder.path());
    found.sort();
    EXPECT_EQ(found, (QStringList{"deu", "eng"}));
}

TEST(TextImage, NoiseAloneChangesSharplyAtMostNeighbours) {
    const auto gray = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_Grayscale8);
    };
    const QStringList lines = texttest::sampleLines();
    struct Row {
        const char* name;
        QImage image;
        bool noise;
    };
    const Row rows[] = {
        {"noise", scrolltest::noisePage(300, 200), true},
        {"9 pt text", texttest::renderText(lines, {.points = 9}), false},
        {"dark terminal text",
         texttest::renderText(lines, {.family = "DejaVu Sans Mono", .points = 11, .dark = true}),
         false},
        {"one pixel", QImage(1, 1, QImage::Format_RGB32), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(sharpChangeShare(gray(row.image)) > kNoiseSharpChangeShare, row.noise);
    }
}

// Real codes, made by qrencode in 8-bit mode (no charset declared), read by zxing.
TEST(CodeScanner, CodesReadTopToBottomWithBinaryEscaped) {
    const auto code = [](const QByteArray& bytes) {
        QProcess qrencode;
        qrencode.start("qrencode", {"-8", "-s", "4", "-o", "-"});
        qrencode.write(bytes);
        qrencode.closeWriteChannel();
        qrencode.waitForFinished();
        return QImage::fromData(qrencode.readAllStandardOutput())
            .convertToFormat(QImage::Format_RGB32);
    };
    const QImage text = code("Grüße, 42"), binary = code(QByteArray("ab\xff\xfe\x01z", 6));
    ASSERT_FALSE(text.isNull() || binary.isNull()) << "qrencode is missing";
    QImage page(300, text.height() + binary.height() + 40, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.drawImage(150, 0, text);  // the upper one first, wherever it stands
    painter.drawImage(0, text.height() + 40, binary);
    painter.end();
    const ScannedCodes codes = scanCodes(page);
    EXPECT_EQ(codes.lines, (QStringList{"Grüße, 42", "ab\\xff\\xfe\\x01z"}));
    ASSERT_EQ(codes.areas.size(), 2u);
    // Painted over, the codes are gone: nothing is left to read.
    EXPECT_TRUE(scanCodes(withoutCodes(page, codes.areas)).lines.isEmpty());
}

// The real engine on the machine's English data.
TEST(TesseractTextReader, ReadsKnownTextAndRefusesOrFindsNothingWhereItShould) {
    TesseractTextReader reader(textDataFolder());
    std::atomic<bool> cancel{false};
    const auto eng = QStringLiteral("eng");

    const QStringList lines{QStringLiteral("Hello from the test, 42 lines")};
    auto text = reader.read(texttest::renderText(lines, {.points = 14}), eng, cancel);
    ASSERT_TRUE(text) << text.error().message.toStdString();
    EXPECT_EQ(texttest::normalised(*text), lines.front());

    const QImage tiny(1, 1, QImage::Format_RGB32);
    text = reader.read(tiny, eng, cancel);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->isEmpty());

    text = reader.read(scrolltest::noisePage(400, 300), eng, cancel);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->isEmpty()) << text->toStdString();

    const QImage huge(8000, 5001, QImage::Format_Grayscale8);  // just past 40 Mpx
    text = reader.read(huge, eng, cancel);
    ASSERT_FALSE(text);
    EXPECT_EQ(text.error().message, "The area is too large to read text from.");

    cancel = true;
    text = reader.read(texttest::renderText(lines, {.points = 14}), eng, cancel);
    ASSERT_FALSE(text);
    EXPECT_EQ(text.error().kind, TextReadError::Kind::Cancelled);

    cancel = false;
    text = reader.read(texttest::renderText(lines, {}), QStringLiteral("xyz"), cancel);
    ASSERT_FALSE(text);
    EXPECT_TRUE(text.error().message.contains("tesseract-ocr-xyz"));
}
