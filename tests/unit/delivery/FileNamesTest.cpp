#include "delivery/FileNames.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace moxilane;

TEST(FileNames, TimestampIsTheSameUnderEveryLocale) {
    const QDateTime times[] = {QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9, 123)),
                               QDateTime(QDate(2025, 2, 1), QTime(9, 5, 3, 7))};
    const char* expected[] = {"Screenshot 2024-03-05 at 14.07.09.123",
                              "Screenshot 2025-02-01 at 09.05.03.007"};
    const QLocale saved;
    for (const char* locale : {"en_US", "de_DE", "ar_EG", "ja_JP"}) {
        SCOPED_TRACE(locale);
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(screenshotBaseName(times[i]), expected[i]);
    }
    QLocale::setDefault(saved);
}

TEST(FileNames, FurtherDisplaysAreNumberedFromTwo) {
    const QString base = QStringLiteral("Screenshot 2024-03-05 at 14.07.09.123");
    EXPECT_EQ(screenshotFileName(base, 0), base + ".png");
    EXPECT_EQ(screenshotFileName(base, 1), base + " (2).png");
    EXPECT_EQ(screenshotFileName(base, 9), base + " (10).png");
}
