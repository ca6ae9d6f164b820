#pragma once
// An emulated device tree for one test. While it exists, libudev, /sys, /dev and udev's netlink
// sockets of this process see its devices instead of the machine's. The program must run
// under umockdev-wrapper, which preloads the library that redirects them.

#include <QString>

#include <initializer_list>

// umockdev.h stays in Testbed.cpp: the GLib headers it pulls in clash with Qt's keywords.
typedef struct _UMockdevTestbed UMockdevTestbed;

class Testbed
{
public:
    // An empty testbed; throws when the program does not run under umockdev-wrapper.
    Testbed();
    ~Testbed();
    Testbed(const Testbed &) = delete;
    Testbed &operator=(const Testbed &) = delete;

    // Adds the devices of a umockdev-record file, each with its "add" uevent to the monitors
    // that exist by then (a plug); throws when it does not load.
    void AddFromFile(const QString &path);
    // Adds one device below parent (a /sys path; empty: none), with its "add" uevent, and
    // returns its /sys path.
    // attributes and properties are name, value, name, value, ...
    QString AddDevice(const char *subsystem, const char *name, const QString &parent,
                      std::initializer_list<const char *> attributes, std::initializer_list<const char *> properties);
    // Sends one uevent ("add", "remove", "change", ...) of a testbed device, given by its /sys
    // path, to every udev monitor of this process (udev and kernel sources alike).
    void Uevent(const QString &sysPath, const char *action);
    // The testbed's side of an emulated tty node such as /dev/ttyUSB0 (a pseudo-terminal):
    // bytes written to it are read from the node, and the other way round. Owned by the testbed.
    int DeviceSide(const char *node) const;
    // The folder that stands for / of /sys and /dev.
    QString RootDir() const;

private:
    UMockdevTestbed *testbed_;
};
