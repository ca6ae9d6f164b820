// make-db: creates an empty result database (keyed with the program's password, with the
// tables result_log and LanguageConst) at the given path.
//
//   make-db [--force | --if-missing] PATH
//
// An existing file is refused (exit 1) unless --force replaces it or --if-missing leaves it as
// it is (exit 0). The new file is built under a temporary name and renamed into place.

#include "store/DatabaseError.h"
#include "store/ResultLogSchema.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstring>

namespace {

int Usage()
{
    std::fputs("usage: make-db [--force | --if-missing] PATH\n"
               "Creates an empty password-protected result database at PATH.\n"
               "  --force       replace an existing file\n"
               "  --if-missing  do nothing (and succeed) when PATH exists\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    bool force = false;
    bool ifMissing = false;
    QString path;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--force") == 0)
            force = true;
        else if (std::strcmp(argv[i], "--if-missing") == 0)
            ifMissing = true;
        else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return Usage();
        else if (argv[i][0] == '-' || !path.isEmpty())
            return Usage();
        else
            path = QFile::decodeName(argv[i]);
    }
    if (path.isEmpty() || (force && ifMissing))
        return Usage();

    const QByteArray shown = QFile::encodeName(path);
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        if (ifMissing)
            return 0;
        if (!force) {
            std::fprintf(stderr, "make-db: %s exists; not replaced (use --force to replace it)\n",
                         shown.constData());
            return 1;
        }
        for (const QString &file : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")}) {
            if (QFileInfo::exists(file) && !QFile::remove(file)) {
                std::fprintf(stderr, "make-db: cannot remove %s\n", QFile::encodeName(file).constData());
                return 1;
            }
        }
    }
    try {
        store::CreateResultDatabase(path);
    } catch (const store::DatabaseError &error) {
        std::fprintf(stderr, "make-db: %s\n", error.message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
