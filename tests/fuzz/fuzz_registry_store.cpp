// The registry store file may be damaged or edited by hand.
#include "FuzzSupport.h"
#include "app/core/FileRegistryBackend.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const quint32 root = 0x80000000u + in.ConsumeIntegralInRange<quint32>(0, 7);
    const QString keyPath = QString::fromStdString(in.ConsumeRandomLengthString(32));
    const QString name = QString::fromStdString(in.ConsumeRandomLengthString(16));
    const QString otherName = QString::fromStdString(in.ConsumeRandomLengthString(16));
    RegistryValue value;
    value.type = in.ConsumeIntegral<quint32>();
    const std::string valueData = in.ConsumeRandomLengthString(32);
    value.data = QByteArray(valueData.data(), qsizetype(valueData.size()));
    const std::string rest = in.ConsumeRemainingBytesAsString();

    const QString path = Fuzz::scratchFile(QStringLiteral("registry.dat"));
    Fuzz::writeFile(path, QByteArray(rest.data(), qsizetype(rest.size())));
    FileRegistryBackend store(path);
    (void)store.keyExists(root, keyPath);
    const std::optional<RegistryValue> other = store.queryValue(root, keyPath, otherName);

    if (!store.setValue(root, keyPath, name, value))
        return 0;
    const std::optional<RegistryValue> got = store.queryValue(root, keyPath, name);
    Fuzz::check(got && got->type == value.type && got->data == value.data, "a stored value reads otherwise");
    Fuzz::check(store.keyExists(root, keyPath), "the key of a stored value is missing");
    if (otherName.toCaseFolded() != name.toCaseFolded()) {
        const std::optional<RegistryValue> after = store.queryValue(root, keyPath, otherName);
        Fuzz::check(after.has_value() == other.has_value() &&
                        (!after || (after->type == other->type && after->data == other->data)),
                    "storing one value changed another");
    }
    Fuzz::check(store.deleteValue(root, keyPath, name), "a stored value cannot be deleted");
    return 0;
}
