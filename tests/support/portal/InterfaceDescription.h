#pragma once
// A D-Bus interface as an installed introspection file describes it: methods with their argument
// types, signals, properties, the version its documentation names and the option keys (with their
// types) that the documentation lists for each method. Our test portal serves and checks every call
// by it, so it answers exactly as the description on this machine says.
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace nodo::testing {

struct ArgDescription {
    QString name, type;
    bool in = true;
};

struct MethodDescription {
    QString name;
    QList<ArgDescription> args;
    QMap<QString, QString> options; // documented keys of the options vardict -> value type
    QMap<QString, QString> results; // documented keys of the Response results -> value type
    QString inSignature() const;
    QString outSignature() const;
};

struct SignalDescription {
    QString name;
    QList<ArgDescription> args;
    QString signature() const;
};

struct PropertyDescription {
    QString name, type, access;
};

struct InterfaceDescription {
    QString name;
    uint version = 0; // "This documentation describes version N of this interface."; 0 when unsaid
    QMap<QString, MethodDescription> methods;
    QMap<QString, SignalDescription> signals_;
    QMap<QString, PropertyDescription> properties;

    // The <interface> element for an Introspect answer.
    QString introspection() const;
};

// Reads one interface from an introspection file; nullopt (and why) when the file cannot be read or
// does not describe it.
std::optional<InterfaceDescription> ReadInterfaceDescription(const QString& file, const QString& interface,
                                                             QString* why);

// The D-Bus type of one value of a demarshalled vardict.
QString VariantSignature(const QVariant& value);

// What is wrong with a call of `member` with arguments of `signature` and, when the method takes
// an options vardict, those options: an unknown method, other argument types, an option key the
// documentation does not list, an option of another type, a handle_token that is no valid object
// path element. Empty for a call as described.
QStringList CheckCall(const InterfaceDescription& desc, const QString& member, const QString& signature,
                      const QVariantMap& options);

} // namespace nodo::testing
