#pragma once
// A pseudo-terminal for the serial tests: the test holds the master side (the "meter" end)
// and the component opens the slave through a COMn link in a temporary ports folder.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <chrono>

class PtyPair
{
public:
    // Opens the pair, closes the slave side again (the component opens it by name) and puts
    // the link <ports>/COM<port> to it.
    explicit PtyPair(int port = 7);
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    int master() const { return master_; }
    QString slavePath() const { return slavePath_; }
    QString portsFolder() const { return ports_.path(); }
    QString commName() const { return commName_; }

    // Writes all bytes to the master side (the component receives them).
    void send(const QByteArray &bytes);
    // Reads from the master until count bytes have come or the timeout passes (also while
    // nobody has the slave side open).
    QByteArray receive(qsizetype count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Closes the master side: the component's side hangs up.
    void closeMaster();

private:
    int master_ = -1;
    QString slavePath_;
    QString commName_;
    QTemporaryDir ports_;
};
