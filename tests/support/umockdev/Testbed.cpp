// GLib before Qt: Qt's "signals" keyword would break the GLib headers.
#include <umockdev.h>

#include "support/umockdev/Testbed.h"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::vector<gchar *> NullTerminated(std::initializer_list<const char *> texts)
{
    std::vector<gchar *> list;
    for (const char *text : texts)
        list.push_back(const_cast<gchar *>(text));
    list.push_back(nullptr);
    return list;
}

} // namespace

Testbed::Testbed()
{
    // Without the preloaded library the testbed exists only on disk and the code under test
    // would read the machine's devices.
    const char *preload = std::getenv("LD_PRELOAD");
    if (!preload || std::string(preload).find("libumockdev-preload") == std::string::npos)
        throw std::runtime_error("this test program must run under umockdev-wrapper");
    testbed_ = umockdev_testbed_new();
}

Testbed::~Testbed()
{
    g_object_unref(testbed_);
}

void Testbed::AddFromFile(const QString &path)
{
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_file(testbed_, path.toUtf8().constData(), &error)) {
        const std::string message = "cannot load " + path.toStdString() + ": " + (error ? error->message : "?");
        g_clear_error(&error);
        throw std::runtime_error(message);
    }
}

QString Testbed::AddDevice(const char *subsystem, const char *name, const QString &parent,
                           std::initializer_list<const char *> attributes,
                           std::initializer_list<const char *> properties)
{
    auto attributeList = NullTerminated(attributes);
    auto propertyList = NullTerminated(properties);
    const QByteArray parentPath = parent.toUtf8();
    gchar *path = umockdev_testbed_add_devicev(testbed_, subsystem, name,
                                               parent.isEmpty() ? nullptr : parentPath.constData(),
                                               attributeList.data(), propertyList.data());
    if (!path)
        throw std::runtime_error(std::string("cannot add the device ") + name);
    const QString result = QString::fromUtf8(path);
    g_free(path);
    return result;
}

void Testbed::Uevent(const QString &sysPath, const char *action)
{
    umockdev_testbed_uevent(testbed_, sysPath.toUtf8().constData(), action);
}

int Testbed::DeviceSide(const char *node) const
{
    return umockdev_testbed_get_dev_fd(testbed_, node);
}

QString Testbed::RootDir() const
{
    gchar *root = umockdev_testbed_get_root_dir(testbed_);
    const QString path = QString::fromUtf8(root);
    g_free(root);
    return path;
}
