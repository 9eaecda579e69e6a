#include "common/core/AES.h"
#include "common/core/AnsiCodec.h"
#include "support/FakeMessageService.h"

#include <QRegularExpression>
#include <QTest>

#include <memory>

class TestAES : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void knownCipherTexts() {
        FakeMessageService& messages = *m_messages;
        AES aes;
        // Default pass phrase: "kelvorastimbeq" and two zero bytes make the 128-bit key.
        QCOMPARE(aes.AddMiMa(QStringLiteral("医技管理")), QStringLiteral("61F94F8086B293E0FBE0C0DBBDC42CFD"));
        QCOMPARE(aes.AddMiMa(QStringLiteral("医技管理"), "kelvorastimbeq"),
                 QStringLiteral("61F94F8086B293E0FBE0C0DBBDC42CFD"));
        // 17 bytes: two groups separated by two blanks.
        QCOMPARE(aes.AddMiMa("0123456789abcdef0"),
                 QStringLiteral("544FEBD4080DA31975F7E2E55F93EBF8  46DB10346E513157699E11D5D37D097C"));
        // A Chinese pass phrase counts two bytes a character.
        QCOMPARE(aes.AddMiMa("hello", QStringLiteral("医技管理ABCDEFGH")),
                 QStringLiteral("383E2F49BCDA2A08F1D08DC92327696D"));
        QCOMPARE(aes.JMiMa("61F94F8086B293E0FBE0C0DBBDC42CFD"), QStringLiteral("医技管理"));
        QCOMPARE(messages.count(), 0);
    }

    void hexForm() {
        AES aes;
        const QString sixteen = aes.AddMiMa("0123456789abcdef");
        QCOMPARE(sixteen.size(), 32);
        QVERIFY(QRegularExpression("^[0-9A-F]{32}$").match(sixteen).hasMatch());
        const QString fortyEight = aes.AddMiMa(QString(48, u'x'));
        QVERIFY(
            QRegularExpression("^[0-9A-F]{32}  [0-9A-F]{32}  [0-9A-F]{32}$").match(fortyEight).hasMatch());
        QCOMPARE(AES::toHexGroups(QByteArray("\x00\x0F\xA0\xFF", 4)), QStringLiteral("000FA0FF"));
        QCOMPARE(AES::toHexGroups(QByteArray()), QString());
    }

    void emptyInput() {
        FakeMessageService& messages = *m_messages;
        AES aes;
        QCOMPARE(aes.AddMiMa(QString()), QString());
        QCOMPARE(aes.AddMiMa(QString(), "any"), QString());
        QCOMPARE(messages.count(), 0);
    }

    void notHexData_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QStringLiteral("   ");
        QTest::newRow("letters") << QStringLiteral("xyz GHIJ 医技");
        QTest::newRow("one digit") << QStringLiteral("A");
    }

    void notHexData() {
        QFETCH(QString, text);
        FakeMessageService& messages = *m_messages;
        AES aes;
        QCOMPARE(aes.JMiMa(text), QString());
        // The cipher shows nothing; its caller shows the refusal in the plain box.
        QCOMPARE(messages.count(), 0);
        QCOMPARE(aes.refusal(), QStringLiteral("Text not Hex data"));
        Messages::plain(aes.refusal());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().text, QStringLiteral("Text not Hex data"));
        QCOMPARE(messages.last().title, Messages::applicationTitle());
        QCOMPARE(messages.last().icon, MsgIcon::None);
        QCOMPARE(messages.last().buttons, MsgButtons::Ok);
    }

    void notWholeBlocksGiveEmptyWithoutMessage() {
        FakeMessageService& messages = *m_messages;
        AES aes;
        QCOMPARE(aes.JMiMa(QString(30, u'A')), QString());
        QCOMPARE(aes.JMiMa(QString(34, u'A')), QString());
        // 33 digits: the unpaired last digit is dropped, leaving one block.
        const QString cipher = aes.AddMiMa("abc");
        QCOMPARE(aes.JMiMa(cipher + "F"), QStringLiteral("abc"));
        QCOMPARE(messages.count(), 0);
    }

    void lenientParsing() {
        FakeMessageService& messages = *m_messages;
        AES aes;
        const QString cipher = aes.AddMiMa(QStringLiteral("社区医院 Community Hospital 2026"));
        QCOMPARE(aes.JMiMa(cipher), QStringLiteral("社区医院 Community Hospital 2026"));
        QCOMPARE(aes.JMiMa(cipher.toLower()), QStringLiteral("社区医院 Community Hospital 2026"));
        QString spread;
        for (int i = 0; i < cipher.size(); ++i)
            spread += cipher[i] + (i % 3 == 0 ? QStringLiteral(" -\r\n") : QStringLiteral(":"));
        QCOMPARE(aes.JMiMa(spread), QStringLiteral("社区医院 Community Hospital 2026"));
        QCOMPARE(messages.count(), 0);
    }

    void passPhraseRules() {
        AES aes;
        const QString text = QStringLiteral("unit name");
        // Only the first 16 bytes of the pass phrase count.
        QCOMPARE(aes.AddMiMa(text, "0123456789abcdefEXTRA"), aes.AddMiMa(text, "0123456789abcdef"));
        QVERIFY(aes.AddMiMa(text, "0123456789abcde") != aes.AddMiMa(text, "0123456789abcdef"));
        // Eight Chinese characters fill 16 bytes; the ninth does not count.
        QCOMPARE(aes.AddMiMa(text, QStringLiteral("一二三四五六七八九")),
                 aes.AddMiMa(text, QStringLiteral("一二三四五六七八")));
        QVERIFY(aes.AddMiMa(text, QStringLiteral("一二三四五六七")) !=
                aes.AddMiMa(text, QStringLiteral("一二三四五六七八")));
        // An empty pass phrase is the default one.
        QCOMPARE(aes.AddMiMa(text, QString()), aes.AddMiMa(text, "kelvorastimbeq"));
        QCOMPARE(aes.JMiMa(aes.AddMiMa(text, "secret"), "secret"), text);
    }

    void wrongPassPhraseGivesRubbishNotCrash() {
        FakeMessageService& messages = *m_messages;
        AES aes;
        const QString cipher = aes.AddMiMa(QStringLiteral("医技管理"), "right");
        const QString wrong = aes.JMiMa(cipher, "wrong");
        QVERIFY(wrong != QStringLiteral("医技管理"));
        QVERIFY(!wrong.contains(QChar(0)));
        QCOMPARE(messages.count(), 0);
    }

    void roundTripDropsOnlyNul() {
        AES aes;
        for (const QString& text : {QStringLiteral("a"), QString(16, u'b'), QString(17, u'c'),
                                    QStringLiteral("医"), QStringLiteral("   blanks kept   ")})
            QCOMPARE(aes.JMiMa(aes.AddMiMa(text)), text);
        // NUL characters are lost with the padding; unmappable characters become "?".
        QCOMPARE(aes.JMiMa(aes.AddMiMa(QString::fromUtf16(u"a\0b", 3))), QStringLiteral("ab"));
        QCOMPARE(aes.JMiMa(aes.AddMiMa(QStringLiteral("a\uAC00"))), QStringLiteral("a?"));
    }

    void sizeLimit() {
        AES aes;
        // n plain bytes in k blocks give 34k - 2 hexadecimal characters; 1928 blocks reach 65 550.
        const QString largest = QString(1927 * 16, u'x');
        const QString cipher = aes.AddMiMa(largest);
        QCOMPARE(cipher.size(), 34 * 1927 - 2);
        QCOMPARE(aes.JMiMa(cipher), largest);
        QCOMPARE(aes.AddMiMa(largest + "x"), QString());

        // The plain text limit counts characters before the padding is removed.
        AES other;
        cRijndael raw;
        raw.SetCipherKeyString(AES::kDefaultPassPhrase, 128);
        QByteArray c;
        raw.ArrayEncrypt(QByteArray(65520, 'z'), c, 0);
        QCOMPARE(other.JMiMa(AES::toHexGroups(c)), QString(65520, u'z'));
        raw.ArrayEncrypt(QByteArray(65536, 'z'), c, 0);
        QCOMPARE(other.JMiMa(AES::toHexGroups(c)), QString());
        // GBK text decodes to fewer characters than bytes.
        raw.ArrayEncrypt(AnsiCodec::encode(QString(40000, QChar(0x533B))), c, 0);
        QCOMPARE(other.JMiMa(AES::toHexGroups(c)), QString(40000, QChar(0x533B)));
    }

private:
    std::unique_ptr<FakeMessageService> m_messages;
};

void TestAES::init() {
    m_messages = std::make_unique<FakeMessageService>();
}

void TestAES::cleanup() {
    m_messages.reset();
}

QTEST_GUILESS_MAIN(TestAES)
#include "tst_AES.moc"
