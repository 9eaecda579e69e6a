#include "common/core/AnsiCodec.h"

#include <QTest>

class TestAnsiCodec : public QObject {
    Q_OBJECT

private slots:
    void encodesRealGbkBytes() {
        QCOMPARE(AnsiCodec::encode(QStringLiteral("医技")), QByteArray("\xD2\xBD\xBC\xBC"));
        QCOMPARE(AnsiCodec::encode(QStringLiteral("医技管理")),
                 QByteArray("\xD2\xBD\xBC\xBC\xB9\xDC\xC0\xED"));
        QCOMPARE(AnsiCodec::encode(QStringLiteral("a1 \t\r\n")), QByteArray("a1 \t\r\n"));
        QCOMPARE(AnsiCodec::encode(QString()), QByteArray());
        // Full-width punctuation and the euro sign of code page 936.
        QCOMPARE(AnsiCodec::encode(QStringLiteral("，")), QByteArray("\xA3\xAC"));
        QCOMPARE(AnsiCodec::encode(QStringLiteral("\u20AC")), QByteArray("\x80"));
    }

    void keepsNulCharacters() {
        QCOMPARE(AnsiCodec::encode(QString(QChar(0)) + QStringLiteral("医")), QByteArray("\0\xD2\xBD", 3));
        QCOMPARE(AnsiCodec::decode(QByteArray("a\0b", 3)), QString::fromUtf16(u"a\0b", 3));
    }

    void unmappableBecomesQuestionMark() {
        // Korean, an emoji (a surrogate pair counts once) and a private character.
        QCOMPARE(AnsiCodec::encode(QStringLiteral("a\uAC00b")), QByteArray("a?b"));
        QCOMPARE(AnsiCodec::encode(QStringLiteral("x\U0001F600y")), QByteArray("x?y"));
        QCOMPARE(AnsiCodec::encode(QStringLiteral("医\uAC00技")), QByteArray("\xD2\xBD?\xBC\xBC"));
        // A lone surrogate must not upset the converter for the next characters.
        QString lone = QStringLiteral("a");
        lone.append(QChar(0xD800));
        lone.append(QStringLiteral("医"));
        QCOMPARE(AnsiCodec::encode(lone), QByteArray("a?\xD2\xBD"));
    }

    void decodesRealGbkBytes() {
        QCOMPARE(AnsiCodec::decode("\xD2\xBD\xBC\xBC"), QStringLiteral("医技"));
        QCOMPARE(AnsiCodec::decode("[\xB4\xF2\xD3\xA1]"), QStringLiteral("[打印]"));
        // A trail byte may look like "[" or "]" or "\\": it belongs to the character.
        QCOMPARE(AnsiCodec::decode("\x81\x5C"), QString(QChar(0x4E57)));
        QCOMPARE(AnsiCodec::decode(QByteArray()), QString());
    }

    void roundTrips() {
        const QString text = QStringLiteral("社区医院 医技管理 ABC123 ，。；“”【】 処方");
        QCOMPARE(AnsiCodec::decode(AnsiCodec::encode(text)), text);
        // Every two-byte GBK character survives a round trip through Unicode.
        int checked = 0;
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F)
                    continue;
                QByteArray bytes;
                bytes.append(char(lead)).append(char(trail));
                const QString s = AnsiCodec::decode(bytes);
                if (s.contains(QChar(0xFFFD)) || s.isEmpty())
                    continue;
                if (AnsiCodec::encode(s) != bytes)
                    QFAIL(qPrintable(QString::number(lead, 16) + QString::number(trail, 16)));
                ++checked;
            }
        }
        // The GBK characters and the 1894 characters of the user-defined areas.
        QCOMPARE(checked, 21791 + 1894);
    }

    void userDefinedAreasMapToPrivateUse_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("codePoint");
        QTest::newRow("first area start") << QByteArray("\xAA\xA1") << 0xE000;
        QTest::newRow("first area end") << QByteArray("\xAF\xFE") << 0xE233;
        QTest::newRow("second area start") << QByteArray("\xF8\xA1") << 0xE234;
        QTest::newRow("second area end") << QByteArray("\xFE\xFE") << 0xE4C5;
        QTest::newRow("third area start") << QByteArray("\xA1\x40") << 0xE4C6;
        QTest::newRow("third area before 7F") << QByteArray("\xA1\x7E") << 0xE504;
        QTest::newRow("third area after 7F") << QByteArray("\xA1\x80") << 0xE505;
        QTest::newRow("third area end") << QByteArray("\xA7\xA0") << 0xE765;
    }

    void userDefinedAreasMapToPrivateUse() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, codePoint);
        const QString text = QChar(char16_t(codePoint));
        QCOMPARE(AnsiCodec::decode(bytes), text);
        QCOMPARE(AnsiCodec::encode(text), bytes);
    }

    void invalidBytes() {
        // A lone lead byte at the end is dropped.
        QCOMPARE(AnsiCodec::decode("ab\xD2"), QStringLiteral("ab"));
        // 0x80 and 0xFF are no lead bytes.
        QCOMPARE(AnsiCodec::decode("a\xFF"
                                   "b"),
                 QStringLiteral("a\uFFFDb"));
        // A lead byte followed by a byte that cannot trail: the next character is kept.
        QCOMPARE(AnsiCodec::decode("\xD2"
                                   "0\xD2\xBD"),
                 QStringLiteral("\uFFFD0医"));
        QCOMPARE(AnsiCodec::decode("\xD2\n"), QStringLiteral("\uFFFD\n"));
        QCOMPARE(AnsiCodec::decode("\xA1\x7F"), QStringLiteral("\uFFFD\x7F"));
        // Binary rubbish never stops the decoder.
        QByteArray rubbish;
        for (int i = 0; i < 2048; ++i)
            rubbish.append(char((i * 131 + 7) & 0xFF));
        const QString decoded = AnsiCodec::decode(rubbish);
        QVERIFY(!decoded.isEmpty());
        QVERIFY(decoded.size() <= rubbish.size());
    }
};

QTEST_GUILESS_MAIN(TestAnsiCodec)
#include "tst_AnsiCodec.moc"
