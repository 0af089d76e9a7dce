#include "delivery/FileNames.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace moxilane;

TEST(FileNames, SameUnderEveryLocaleAndNumberedFromTheSecond) {
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
    EXPECT_EQ(screenshotFileName(expected[0], 0), QString(expected[0]) + ".png");
    EXPECT_EQ(screenshotFileName(expected[0], 9), QString(expected[0]) + " (10).png");
}
