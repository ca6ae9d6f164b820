#include "export/CsvExport.h"

#include "export/ExportFile.h"
#include "platform/CodePage.h"

#include <QFile>

#include <vector>

namespace {

constexpr char kLineEnd[] = "\r\n";

// Appends one field's bytes to line, quoted when a reader would otherwise split it.
void appendField(QByteArray &line, const QByteArray &field, char separator)
{
    bool needsQuotes = false;
    for (char c : field) {
        if (c == separator || c == '"' || c == '\r' || c == '\n') {
            needsQuotes = true;
            break;
        }
    }
    if (!needsQuotes) {
        line += field;
        return;
    }
    line += '"';
    for (char c : field) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

// The separator in the file's code page; the test for quoting is made on the converted bytes,
// so a separator that the code page lacks ("?") still keeps the fields apart.
char separatorByte(QChar separator)
{
    const QByteArray bytes = platform::ToAnsi(QStringView(&separator, 1));
    return bytes.isEmpty() ? ',' : bytes.front();
}

void writeLine(QFile &file, QByteArray &line)
{
    line += kLineEnd;
    if (file.write(line) != line.size())
        ThrowWriteFailed(file);
}

} // namespace

QString ListSeparatorText(const platform::RegionalSettings &settings)
{
    if (settings.listSeparator.size() == 1)
        return settings.listSeparator;
    return QStringLiteral(",");
}

QString ListSeparatorText()
{
    return ListSeparatorText(platform::CurrentRegionalSettings());
}

QByteArray CsvLine(const QStringList &fields, QChar separator)
{
    const char sep = separatorByte(separator);
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += sep;
        appendField(line, platform::ToAnsi(fields[i]), sep);
    }
    return line;
}

void ExportToCsvFile(ExportSource &view, const QString &fileName, const QStringList &headerTexts,
                     QChar separator)
{
    const ExportSource::Bookmark saved = view.CurrentPosition();
    bool suspended = false;
    QFile file;
    try {
        CreateExportFile(file, fileName);
        QByteArray line = CsvLine(headerTexts, separator);
        writeLine(file, line);

        view.SuspendDisplayUpdates();
        suspended = true;
        view.SortByStorageOrder();

        std::vector<int> columns;
        const std::vector<ExportColumn> all = view.Columns();
        for (int i = 0; i < static_cast<int>(all.size()); ++i)
            if (all[i].visible)
                columns.push_back(i);

        const char sep = separatorByte(separator);
        view.First();
        while (!view.AtEnd()) {
            line.clear();
            for (size_t k = 0; k < columns.size(); ++k) {
                if (k > 0)
                    line += sep;
                appendField(line, platform::ToAnsi(view.DisplayText(columns[k])), sep);
            }
            writeLine(file, line);
            view.Next();
        }
    } catch (...) {
        // The first error is the one to report; the grid is put back as well as it can be.
        try {
            view.MoveTo(saved);
        } catch (...) {
        }
        if (suspended) {
            try {
                view.ResumeDisplayUpdates();
            } catch (...) {
            }
        }
        throw;
    }

    try {
        view.MoveTo(saved);
    } catch (...) {
        view.ResumeDisplayUpdates();
        throw;
    }
    view.ResumeDisplayUpdates();
    FinishExportFile(file);
}
