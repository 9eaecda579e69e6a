// Grid cells go into exported workbooks as they are shown: any text a database holds.
#include "FuzzSupport.h"
#include "output/core/SheetWriter.h"

#include <QFileInfo>

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const SheetFormat format = in.PickValueInArray({SheetFormat::Xls, SheetFormat::Xlsx, SheetFormat::Csv});
    const std::string rawName = in.ConsumeRandomLengthString(40);
    const QString sheet = cleanSheetName(QString::fromUtf8(rawName.data(), qsizetype(rawName.size())));
    Fuzz::check(!sheet.isEmpty() && sheet.size() <= 31, "sheet name not usable");
    const int cols = in.ConsumeIntegralInRange<int>(1, 6);
    QList<QStringList> rows;
    while (rows.size() < 8 && in.remaining_bytes() > 0) {
        QStringList cells;
        for (int c = 0; c < cols; ++c) {
            const std::string s = in.ConsumeRandomLengthString(300);
            cells << QString::fromUtf8(s.data(), qsizetype(s.size()));
        }
        rows << cells;
    }

    const QString path = Fuzz::scratchFile(QStringLiteral("cells"));
    std::unique_ptr<SheetWriter> writer = makeSheetWriter(format);
    AppError error;
    Fuzz::check(writer->open(path, &error), "the workbook cannot be opened");
    writer->expect(rows.size(), cols);
    writer->startSheet(sheet);
    for (const QStringList& row : rows)
        writer->addRow(row);
    Fuzz::check(writer->finish(&error), "a workbook of texts cannot be written");
    Fuzz::check(QFileInfo(path).size() > 0, "an empty workbook");
    return 0;
}
