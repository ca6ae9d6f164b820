#pragma once
// A pseudo-terminal for the serial tests: the test holds the master side (the "meter" end)
// and the component opens the slave through a COMn link in a ports folder.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <memory>

class PtyPair
{
public:
    // Opens the pair, closes the slave side again (the component opens it by name) and puts
    // the link <ports>/COM<port> to it.
    explicit PtyPair(int port = 7);
    // The same with the link put in the given ports folder (made if missing, an old link
    // replaced); the link is removed again with the pair.
    PtyPair(const QString &portsFolder, int port);
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    int master() const { return master_; }
    QString slavePath() const { return slavePath_; }
    QString portsFolder() const { return portsFolder_; }
    QString commName() const { return commName_; }

    // Writes all bytes to the master side (the component receives them).
    void send(const QByteArray &bytes);
    // Reads from the master until count bytes have come or the timeout passes (also while
    // nobody has the slave side open).
    QByteArray receive(qsizetype count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Closes the master side: the component's side hangs up.
    void closeMaster();

private:
    void open();
    void link();

    int master_ = -1;
    QString slavePath_;
    QString commName_;
    QString portsFolder_;
    QString link_;
    std::unique_ptr<QTemporaryDir> ownFolder_;
};
