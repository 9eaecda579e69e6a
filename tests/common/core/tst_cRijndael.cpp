#include "common/core/cRijndael.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"

#include <QTest>

namespace {

QByteArray counting(int n, int start = 0) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(start + i));
    return b;
}

QByteArray pattern(qint64 n) {
    QByteArray b(n, '\0');
    for (qint64 i = 0; i < n; ++i)
        b[i] = char((i * 7919 + i / 251) & 0xFF);
    return b;
}

} // namespace

#include <memory>

class TestRijndael : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    // FIPS-197 appendix C.
    void knownAnswers_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("rounds");
        QTest::addColumn<QByteArray>("cipher");
        QTest::newRow("AES-128") << 128 << 10 << QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a");
        QTest::newRow("AES-192") << 192 << 12 << QByteArray::fromHex("dda97ca4864cdfe06eaf70a0ec0d7191");
        QTest::newRow("AES-256") << 256 << 14 << QByteArray::fromHex("8ea2b7ca516745bfeafc49904b496089");
    }

    void knownAnswers() {
        QFETCH(int, bits);
        QFETCH(int, rounds);
        QFETCH(QByteArray, cipher);
        const QByteArray plain = QByteArray::fromHex("00112233445566778899aabbccddeeff");
        cRijndael c;
        QCOMPARE(c.rounds(), 0);
        // A longer key: only the first bits/8 bytes count.
        QCOMPARE(c.SetCipherKey(counting(bits / 8) + "rest", bits), 0);
        QCOMPARE(c.rounds(), rounds);
        QByteArray out(16, '\0');
        QCOMPARE(c.BlockEncrypt(plain, out, 0, 0), 0);
        QCOMPARE(out, cipher);
        QByteArray back(16, '\0');
        QCOMPARE(c.BlockDecrypt(out, back, 0, 0), 0);
        QCOMPARE(back, plain);
    }

    void keyErrors() {
        cRijndael c;
        for (int bits : {0, 64, 127, 160, 512, -128}) {
            QCOMPARE(c.SetCipherKey(QByteArray(32, 'k'), bits), qint32(cRijndael::IllegalArgument));
            QCOMPARE(c.lastError().description,
                     QStringLiteral("cRijndael.SetCipherKey - Illegal KeyBits Value"));
            QCOMPARE(c.lastError().source, QStringLiteral("cRijndael"));
            QVERIFY(c.lastError().isSet());
        }
        QCOMPARE(c.rounds(), 0);
        QCOMPARE(c.SetCipherKey(QByteArray(15, 'k'), 128), qint32(cRijndael::SubscriptOutOfRange));
        QCOMPARE(c.rounds(), 0);

        // Before any key the cipher refuses to run.
        QByteArray out(16, '\0');
        QCOMPARE(c.BlockEncrypt(QByteArray(16, 'a'), out, 0, 0), qint32(cRijndael::NoKey));
        QCOMPARE(out, QByteArray(16, '\0'));
        QCOMPARE(c.ArrayEncrypt("abc", out, 0), qint32(cRijndael::NoKey));

        // A failed key leaves the previous key in place.
        QCOMPARE(c.SetCipherKey(counting(16), 128), 0);
        QVERIFY(!c.lastError().isSet());
        QCOMPARE(c.SetCipherKey(counting(32), 100), qint32(cRijndael::IllegalArgument));
        QCOMPARE(c.rounds(), 10);
        QCOMPARE(c.BlockEncrypt(QByteArray::fromHex("00112233445566778899aabbccddeeff"), out, 0, 0), 0);
        QCOMPARE(out, QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a"));
    }

    void keyFromPassPhrase() {
        QCOMPARE(cRijndael::keyFromPassPhrase("ab"), QByteArray("ab") + QByteArray(30, '\0'));
        QCOMPARE(cRijndael::keyFromPassPhrase(QStringLiteral("医技")),
                 QByteArray("\xD2\xBD\xBC\xBC") + QByteArray(28, '\0'));
        QCOMPARE(cRijndael::keyFromPassPhrase(QString(40, u'x')), QByteArray(32, 'x'));
        cRijndael a;
        cRijndael b;
        QCOMPARE(a.SetCipherKeyString(QString(32, u'x') + "tail", 256), 0);
        QCOMPARE(b.SetCipherKey(QByteArray(32, 'x'), 256), 0);
        QByteArray ca;
        QByteArray cb;
        a.ArrayEncrypt("same text", ca, 0);
        b.ArrayEncrypt("same text", cb, 0);
        QCOMPARE(ca, cb);
    }

    void blocksAtOffsetsAndInPlace() {
        cRijndael c;
        QCOMPARE(c.SetCipherKey(counting(16), 128), 0);
        const QByteArray plain = QByteArray::fromHex("00112233445566778899aabbccddeeff");
        QByteArray data = "xyz" + plain + "tail";
        QCOMPARE(c.BlockEncrypt(data, data, 3, 3), 0);
        QCOMPARE(data.mid(3, 16), QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a"));
        QCOMPARE(data.left(3), QByteArray("xyz"));
        QCOMPARE(data.right(4), QByteArray("tail"));
        QByteArray moved(40, '\0');
        QCOMPARE(c.BlockDecrypt(data, moved, 3, 20), 0);
        QCOMPARE(moved.mid(20, 16), plain);
        QCOMPARE(moved.left(20), QByteArray(20, '\0'));

        // Blocks reaching past either array change nothing.
        const QByteArray before = moved;
        QCOMPARE(c.BlockEncrypt(data, moved, 8, 0), qint32(cRijndael::SubscriptOutOfRange));
        QCOMPARE(c.BlockEncrypt(data, moved, 0, 25), qint32(cRijndael::SubscriptOutOfRange));
        QCOMPARE(c.BlockEncrypt(data, moved, -1, 0), qint32(cRijndael::SubscriptOutOfRange));
        QCOMPARE(moved, before);
    }

    void arraySizes_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("appendSize");
        QTest::addColumn<int>("cipherLength");
        for (auto [n, zero, append] : {std::tuple{0, 0, 16},
                                       {1, 16, 16},
                                       {15, 16, 16},
                                       {16, 16, 32},
                                       {17, 32, 32},
                                       {31, 32, 32},
                                       {32, 32, 48},
                                       {100, 112, 112}}) {
            QTest::addRow("%d bytes", n) << n << 0 << zero;
            QTest::addRow("%d bytes with length", n) << n << 1 << append;
        }
    }

    void arraySizes() {
        QFETCH(int, length);
        QFETCH(int, appendSize);
        QFETCH(int, cipherLength);
        cRijndael c;
        QCOMPARE(c.SetCipherKeyString("key", 128), 0);
        const QByteArray plain = counting(length, 1);
        QByteArray cipher;
        QCOMPARE(c.ArrayEncrypt(plain, cipher, appendSize), 0);
        QCOMPARE(cipher.size(), cipherLength);

        // Every block is enciphered on its own, the last one zero-padded.
        QByteArray padded = plain;
        padded.resize(cipherLength, '\0');
        if (appendSize != 0)
            padded[cipherLength - 1] = char(length % 16);
        for (int at = 0; at < cipherLength; at += 16) {
            QByteArray block(16, '\0');
            QCOMPARE(c.BlockEncrypt(padded, block, at, 0), 0);
            QCOMPARE(cipher.mid(at, 16), block);
        }

        QByteArray back = "old";
        const qint32 rc = c.ArrayDecrypt(back, cipher, appendSize);
        if (cipherLength == 0) {
            QCOMPARE(rc, -1);
            QCOMPARE(back, QByteArray("old"));
            return;
        }
        QCOMPARE(rc, 0);
        QCOMPARE(back, appendSize != 0 ? plain : padded);
    }

    void arrayDecryptRefusals() {
        FakeMessageService& messages = *m_messages;
        cRijndael c;
        QCOMPARE(c.SetCipherKeyString("key", 128), 0);
        QByteArray out = "keep";
        QCOMPARE(c.ArrayDecrypt(out, QByteArray(15, 'a'), 0), -1);
        QCOMPARE(c.ArrayDecrypt(out, QByteArray(33, 'a'), 0), -1);
        QCOMPARE(out, QByteArray("keep"));
        QCOMPARE(messages.count(), 0);

        // A length byte of 16 or more.
        QByteArray block(16, '\0');
        block[15] = char(16);
        QByteArray cipher;
        c.ArrayEncrypt(block, cipher, 0);
        QCOMPARE(c.ArrayDecrypt(out, cipher, 1), 1);
        QCOMPARE(out, QByteArray("keep"));
        // The cipher shows nothing; its caller shows the refusal in the plain box.
        QCOMPARE(messages.count(), 0);
        QCOMPARE(c.refusal(), QStringLiteral("warning - incorrect length field"));
        Messages::plain(c.refusal());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().text, QStringLiteral("warning - incorrect length field"));
        QCOMPARE(messages.last().icon, MsgIcon::None);
        QCOMPARE(messages.last().buttons, MsgButtons::Ok);
        QCOMPARE(messages.last().title, Messages::applicationTitle());
    }

    void arrayInPlace() {
        cRijndael c;
        QCOMPARE(c.SetCipherKeyString("key", 192), 0);
        QByteArray data = "seventeen bytes!!";
        QByteArray expected;
        c.ArrayEncrypt(data, expected, 0);
        c.ArrayEncrypt(data, data, 0);
        QCOMPARE(data, expected);
        c.ArrayDecrypt(data, data, 0);
        QCOMPARE(data, QByteArray("seventeen bytes!!") + QByteArray(15, '\0'));
    }

    void fileRoundTrips_data() {
        QTest::addColumn<qint64>("length");
        QTest::newRow("empty") << qint64(0);
        QTest::newRow("one byte") << qint64(1);
        QTest::newRow("one block") << qint64(16);
        QTest::newRow("odd") << qint64(1000003);
        QTest::newRow("one piece") << cRijndael::kFilePiece;
        QTest::newRow("past one piece") << cRijndael::kFilePiece + 21;
    }

    void fileRoundTrips() {
        QFETCH(qint64, length);
        TestFolder& folder = *m_folder;
        FakeMessageService& messages = *m_messages;
        const QByteArray plain = pattern(length);
        folder.writeBytes("plain.bin", plain);
        cRijndael c;
        QCOMPARE(c.SetCipherKeyString(QStringLiteral("医技"), 256), 0);
        QCOMPARE(c.FileEncrypt(folder.file("plain.bin"), folder.file("cipher.bin")), 0);
        const QByteArray cipher = folder.readBytes("cipher.bin");
        QCOMPARE(cipher.size(), (length + 16) / 16 * 16);
        // The start of the file is plain ECB, as the array form gives it.
        QByteArray head;
        c.ArrayEncrypt(plain.left(32), head, 0);
        if (length >= 32)
            QCOMPARE(cipher.left(32), head);
        QCOMPARE(c.FileDecrypt(folder.file("back.bin"), folder.file("cipher.bin")), 0);
        QCOMPARE(folder.readBytes("back.bin"), plain);
        QCOMPARE(messages.count(), 0);
    }

    void fileInPlace() {
        TestFolder& folder = *m_folder;
        folder.writeBytes("f.bin", "some text");
        cRijndael c;
        QCOMPARE(c.SetCipherKeyString("k", 128), 0);
        QCOMPARE(c.FileEncrypt(folder.file("f.bin"), folder.file("f.bin")), 0);
        QCOMPARE(folder.readBytes("f.bin").size(), 16);
        QCOMPARE(c.FileDecrypt(folder.file("f.bin"), folder.file("f.bin")), 0);
        QCOMPARE(folder.readBytes("f.bin"), QByteArray("some text"));
    }

    void fileRefusals() {
        TestFolder& folder = *m_folder;
        FakeMessageService& messages = *m_messages;
        cRijndael c;
        QCOMPARE(c.SetCipherKeyString("k", 128), 0);

        folder.writeBytes("empty.bin", "");
        folder.writeBytes("odd.bin", QByteArray(17, 'x'));
        folder.writeBytes("out.bin", "old");
        for (const char* name : {"empty.bin", "odd.bin"}) {
            QCOMPARE(c.FileDecrypt(folder.file("out.bin"), folder.file(name)), 1);
            QCOMPARE(c.refusal(),
                     QStringLiteral("File Size Error - ciphertext file not a multiple of block size"));
        }
        QCOMPARE(messages.count(), 0);

        // Another key: the length byte comes out wrong and the old output stays.
        folder.writeBytes("plain.bin", pattern(100));
        QCOMPARE(c.FileEncrypt(folder.file("plain.bin"), folder.file("cipher.bin")), 0);
        cRijndael other;
        QCOMPARE(other.SetCipherKeyString("another key", 128), 0);
        QCOMPARE(other.FileDecrypt(folder.file("out.bin"), folder.file("cipher.bin")), 1);
        QCOMPARE(
            other.refusal(),
            QStringLiteral("warning - incorrect length field in decrypted file.\r\nWrong key or keysize?"));
        QCOMPARE(folder.readBytes("out.bin"), QByteArray("old"));

        // Files that cannot be read or written.
        QCOMPARE(c.FileEncrypt(folder.file("missing.bin"), folder.file("x.bin")),
                 qint32(cRijndael::FileNotFound));
        QCOMPARE(c.lastError().description, QStringLiteral("File not found"));
        QCOMPARE(c.FileDecrypt(folder.file("x.bin"), folder.file("missing.bin")),
                 qint32(cRijndael::FileNotFound));
        QCOMPARE(c.FileEncrypt(folder.file("plain.bin"), folder.file("no/folder/x.bin")),
                 qint32(cRijndael::FileAccess));
        QCOMPARE(c.FileEncrypt(folder.path(), folder.file("x.bin")), qint32(cRijndael::FileAccess));
        QVERIFY(!QFile::exists(folder.file("x.bin")));
        QCOMPARE(messages.count(), 0); // refusals and run-time errors alike are the caller's to show
    }

private:
    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<FakeMessageService> m_messages;
};

void TestRijndael::init() {
    m_folder = std::make_unique<TestFolder>();
    m_messages = std::make_unique<FakeMessageService>();
}

void TestRijndael::cleanup() {
    m_messages.reset();
    m_folder.reset();
}

QTEST_GUILESS_MAIN(TestRijndael)
#include "tst_cRijndael.moc"
