// The user's manual as shipped: its index points at pages and places that exist, its pages
// link to pages that exist, and the index filter.
#include "tools/core/HelpManual.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

namespace {

QString manualFolder() {
    return qEnvironmentVariable("YJGL_SOURCE_DIR") + QStringLiteral("/resources/manual");
}

QString pageText(const QString& page) {
    QFile f(QDir(manualFolder()).filePath(page));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class TestHelpManual : public QObject {
    Q_OBJECT

private slots:
    void indexPointsAtPagesAndPlacesThatExist() {
        QList<HelpManual::Keyword> keywords;
        AppError error;
        QVERIFY(HelpManual::LoadKeywords(manualFolder(), &keywords, &error));
        QVERIFY(keywords.size() >= 20);
        for (const HelpManual::Keyword& k : keywords) {
            const QString text = pageText(k.page);
            QVERIFY2(!text.isEmpty(), qPrintable(k.text + " → " + k.page));
            if (!k.place.isEmpty())
                QVERIFY2(text.contains(QStringLiteral("id=\"%1\"").arg(k.place)),
                         qPrintable(k.text + " → " + k.place));
        }
    }

    void pagesLinkToPagesAndPicturesThatExist() {
        const QDir folder(manualFolder());
        QVERIFY(QFile::exists(HelpManual::contentsPage(folder.path())));
        static const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"#]+)"));
        for (const QString& page : folder.entryList({"*.html"})) {
            for (const auto& m : link.globalMatch(pageText(page)))
                QVERIFY2(QFile::exists(folder.filePath(m.captured(1))),
                         qPrintable(page + ": " + m.captured(1)));
        }
    }

    void filterKeepsKeywordsContainingTheText() {
        const QList<HelpManual::Keyword> all = {
            {"备份", "it.html", "backup"}, {"恢复", "it.html", "backup"}, {"Excel", "queries.html", "print"}};
        QCOMPARE(HelpManual::Filter(all, {}).size(), 3);
        QCOMPARE(HelpManual::Filter(all, " 备 ").size(), 1);
        QCOMPARE(HelpManual::Filter(all, "excel").value(0).page, QStringLiteral("queries.html"));
        QVERIFY(HelpManual::Filter(all, "没有").isEmpty());
    }

    void missingIndexIsAnError() {
        QTemporaryDir empty;
        QList<HelpManual::Keyword> keywords;
        AppError error;
        QVERIFY(!HelpManual::LoadKeywords(empty.path(), &keywords, &error));
        QVERIFY(error.isSet());
    }
};

QTEST_GUILESS_MAIN(TestHelpManual)
#include "tst_HelpManual.moc"
