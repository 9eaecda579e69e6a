#include "common/core/LateLibrary.h"

#include <QTest>

#include <cmath>

class TestLateLibrary : public QObject {
    Q_OBJECT

private slots:
    void resolvesEntriesOfAnInstalledLibrary() {
        LateLibrary library(QStringLiteral("libm.so.6"));
        double (*cosine)(double) = nullptr;
        library.resolve("cos", &cosine);
        QVERIFY2(library.error().isEmpty(), qPrintable(library.error()));
        QVERIFY(cosine);
        QCOMPARE(cosine(0), 1.0);
    }

    void saysWhatIsMissing() {
        LateLibrary absent(QStringLiteral("libyjgl-absent.so.9"));
        int (*entry)() = nullptr;
        absent.resolve("anything", &entry);
        QVERIFY(!entry);
        QVERIFY2(absent.error().contains(QStringLiteral("libyjgl-absent.so.9")), qPrintable(absent.error()));

        LateLibrary math(QStringLiteral("libm.so.6"));
        math.resolve("no_such_entry", &entry);
        QVERIFY(!entry);
        QVERIFY2(math.error().contains(QStringLiteral("no_such_entry")), qPrintable(math.error()));
    }
};

QTEST_GUILESS_MAIN(TestLateLibrary)
#include "tst_LateLibrary.moc"
