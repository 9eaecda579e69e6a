// DatabaseSet.data is shared with other programs and may be cut short or damaged.
#include "FuzzSupport.h"
#include "app/core/DatabaseSetFile.h"
#include "common/core/AnsiCodec.h"

#include <QFile>

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int number = in.ConsumeIntegralInRange<int>(-2, 40);
    // Any record number may be asked for; writes stay small so the file does.
    const int anyNumber = in.ConsumeIntegral<int>();
    const QString text = QString::fromStdString(in.ConsumeRandomLengthString(160));
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QByteArray file(rest.data(), qsizetype(rest.size()));

    const QString path = Fuzz::scratchFile(QStringLiteral("DatabaseSet.data"));
    Fuzz::writeFile(path, file);
    QStringList texts;
    AppError error;
    const QList<int> numbers{1, 2, 5, 6, 7, number, anyNumber};
    if (DatabaseSetFile::readRecords(path, numbers, &texts, &error))
        Fuzz::check(texts.size() == numbers.size(), "one text per record");
    else
        Fuzz::check(!error.description.isEmpty(), "failure without a description");

    if (!DatabaseSetFile::writeRecords(path, {{number, text}}, &error))
        return 0;
    QFile f(path);
    Fuzz::check(f.open(QIODevice::ReadOnly), "written file cannot be read");
    const QByteArray written = f.readAll();
    const qsizetype start = qsizetype(number - 1) * DatabaseSetFile::RecordLength;
    // Every byte outside the written record stays as it was; a short file is filled with zeros.
    const QByteArray before = file.left(start) + QByteArray(qMax<qsizetype>(0, start - file.size()), '\0');
    Fuzz::check(written.left(start) == before, "bytes before the record changed");
    Fuzz::check(written.mid(start + DatabaseSetFile::RecordLength) ==
                    file.mid(start + DatabaseSetFile::RecordLength),
                "bytes after the record changed");
    Fuzz::check(DatabaseSetFile::readRecords(path, {number}, &texts, &error),
                "a written record cannot be read");
    Fuzz::check(texts.value(0) == AnsiCodec::decode(AnsiCodec::encode(text)),
                "a written record reads otherwise");
    return 0;
}
