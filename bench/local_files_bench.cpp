// Prints how long the cipher, INI and registry services take on typical and large inputs:
// min/median/max of several runs after a warm-up.
#include "app/core/FileRegistryBackend.h"
#include "app/core/clsRegistry.h"
#include "bench/BenchSupport.h"
#include "common/core/AES.h"
#include "common/core/CIniFile.h"
#include "common/core/cRijndael.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

constexpr int kWarmup = 1;
constexpr int kRuns = 5;

template <typename F> bench::Spread millis(F&& f) {
    std::vector<double> ms;
    for (int i = 0; i < kWarmup + kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        if (i >= kWarmup)
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return bench::spreadOf(ms);
}

void report(const QString& what, const bench::Spread& s) {
    bench::printSpread(what, s);
    bench::out().flush();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;

    AES aes;
    const QString unitName = QStringLiteral("某某市某某区社区卫生服务中心");
    const QString cipherName = aes.AddMiMa(unitName);
    report("AddMiMa + JMiMa of a unit name, 10000 times", millis([&] {
               for (int i = 0; i < 10000; ++i)
                   aes.JMiMa(aes.AddMiMa(unitName));
           }));
    const QString largest(1927 * 16, u'x');
    report("AddMiMa + JMiMa of the largest text (30832 bytes)",
           millis([&] { aes.JMiMa(aes.AddMiMa(largest)); }));

    cRijndael raw;
    raw.SetCipherKeyString(QStringLiteral("bench"), 128);
    const QByteArray big(64 * 1024 * 1024, 'b');
    QByteArray out;
    const bench::Spread encrypt = millis([&] { raw.ArrayEncrypt(big, out, 0); });
    report("ArrayEncrypt of 64 MiB", encrypt);
    bench::out() << "  throughput (median): " << QString::number(64.0 / (encrypt.median / 1000.0), 'f', 0)
                 << " MiB/s" << Qt::endl;

    CIniFile ini;
    ini.SpecifyIni(dir.filePath("ORVA.ini"));
    report("WriteString of 200 keys", millis([&] {
               for (int i = 0; i < 200; ++i)
                   ini.WriteString(QStringLiteral("打印"), QStringLiteral("键%1").arg(i), QString::number(i));
           }));
    report("ReadString + ReadInt of 200 keys", millis([&] {
               for (int i = 0; i < 200; ++i) {
                   int size = 200;
                   ini.ReadString(QStringLiteral("打印"), QStringLiteral("键%1").arg(i), size);
                   ini.ReadInt(QStringLiteral("打印"), QStringLiteral("键%1").arg(i));
               }
           }));

    FileRegistryBackend store(dir.filePath("registry.dat"));
    RegistryBackend::install(&store);
    clsRegistry reg;
    const QString key = QStringLiteral("Control Panel\\International");
    report("SetRegistryValue + GetRegistryValue of 20 values", millis([&] {
               for (int i = 0; i < 20; ++i) {
                   reg.SetRegistryValue(HKEY_CURRENT_USER, key, QStringLiteral("v%1").arg(i), cipherName);
                   reg.GetRegistryValue(HKEY_CURRENT_USER, key, QStringLiteral("v%1").arg(i));
               }
           }));
    RegistryBackend::install(nullptr);
    return 0;
}
