#include "support/portal/InterfaceDescription.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace nodo::testing {

namespace {

QString Join(const QList<ArgDescription>& args, bool in) {
    QString s;
    for (const ArgDescription& a : args)
        if (a.in == in) s += a.type;
    return s;
}

// "<term>handle_token s</term>" entries of one part of a doc comment.
QMap<QString, QString> Terms(const QString& text) {
    static const QRegularExpression term(QStringLiteral("<term>\\s*(\\w+)\\s+([^<\\s]+)\\s*</term>"));
    QMap<QString, QString> out;
    for (auto it = term.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out.insert(m.captured(1), m.captured(2));
    }
    return out;
}

uint DocumentedVersion(const QString& comment) {
    static const QRegularExpression version(QStringLiteral("describes version (\\d+)"));
    const auto m = version.match(comment);
    return m.hasMatch() ? m.captured(1).toUInt() : 0;
}

void WriteArgs(QXmlStreamWriter& w, const QList<ArgDescription>& args, bool withDirection) {
    for (const ArgDescription& a : args) {
        w.writeStartElement(QStringLiteral("arg"));
        w.writeAttribute(QStringLiteral("type"), a.type);
        w.writeAttribute(QStringLiteral("name"), a.name);
        if (withDirection)
            w.writeAttribute(QStringLiteral("direction"),
                             a.in ? QStringLiteral("in") : QStringLiteral("out"));
        w.writeEndElement();
    }
}

} // namespace

QString MethodDescription::inSignature() const {
    return Join(args, true);
}
QString MethodDescription::outSignature() const {
    return Join(args, false);
}
QString SignalDescription::signature() const {
    return Join(args, true);
}

QString InterfaceDescription::introspection() const {
    QString out;
    QXmlStreamWriter w(&out);
    w.writeStartElement(QStringLiteral("interface"));
    w.writeAttribute(QStringLiteral("name"), name);
    for (const MethodDescription& m : methods) {
        w.writeStartElement(QStringLiteral("method"));
        w.writeAttribute(QStringLiteral("name"), m.name);
        WriteArgs(w, m.args, true);
        w.writeEndElement();
    }
    for (const SignalDescription& s : signals_) {
        w.writeStartElement(QStringLiteral("signal"));
        w.writeAttribute(QStringLiteral("name"), s.name);
        WriteArgs(w, s.args, false);
        w.writeEndElement();
    }
    for (const PropertyDescription& p : properties) {
        w.writeStartElement(QStringLiteral("property"));
        w.writeAttribute(QStringLiteral("name"), p.name);
        w.writeAttribute(QStringLiteral("type"), p.type);
        w.writeAttribute(QStringLiteral("access"), p.access);
        w.writeEndElement();
    }
    w.writeEndElement();
    return out;
}

std::optional<InterfaceDescription> ReadInterfaceDescription(const QString& file, const QString& interface,
                                                             QString* why) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        if (why) *why = file + QStringLiteral(": ") + f.errorString();
        return std::nullopt;
    }
    QXmlStreamReader xml(&f);
    std::optional<InterfaceDescription> desc;
    bool inside = false;
    QString comment;
    MethodDescription* method = nullptr;
    SignalDescription* signal = nullptr;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::Comment) {
            comment = xml.text().toString();
            continue;
        }
        if (token == QXmlStreamReader::EndElement) {
            const auto n = xml.name();
            if (n == QLatin1String("interface")) inside = false;
            if (n == QLatin1String("method")) method = nullptr;
            if (n == QLatin1String("signal")) signal = nullptr;
            continue;
        }
        if (token != QXmlStreamReader::StartElement) continue;
        const auto n = xml.name();
        const auto attr = xml.attributes();
        const QString name = attr.value(QLatin1String("name")).toString();
        if (n == QLatin1String("interface")) {
            inside = name == interface;
            if (inside) {
                desc.emplace();
                desc->name = name;
                desc->version = DocumentedVersion(comment);
            }
        } else if (inside && n == QLatin1String("method")) {
            MethodDescription m;
            m.name = name;
            const qsizetype split = comment.indexOf(QLatin1String("The following results"));
            m.options = Terms(split < 0 ? comment : comment.left(split));
            if (split >= 0) m.results = Terms(comment.mid(split));
            method = &desc->methods.insert(name, m).value();
        } else if (inside && n == QLatin1String("signal")) {
            SignalDescription s;
            s.name = name;
            signal = &desc->signals_.insert(name, s).value();
        } else if (inside && n == QLatin1String("property")) {
            desc->properties.insert(name, {name, attr.value(QLatin1String("type")).toString(),
                                           attr.value(QLatin1String("access")).toString()});
        } else if (inside && n == QLatin1String("arg")) {
            ArgDescription a{name, attr.value(QLatin1String("type")).toString(),
                             attr.value(QLatin1String("direction")) != QLatin1String("out")};
            if (method) method->args.append(a);
            if (signal) signal->args.append(a);
        }
        if (n == QLatin1String("method") || n == QLatin1String("signal") || n == QLatin1String("property"))
            comment.clear();
    }
    if (xml.hasError()) {
        if (why) *why = file + QStringLiteral(": ") + xml.errorString();
        return std::nullopt;
    }
    if (!desc && why) *why = file + QStringLiteral(" does not describe ") + interface;
    return desc;
}

QString VariantSignature(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return value.value<QDBusArgument>().currentSignature();
    if (value.metaType() == QMetaType::fromType<QDBusVariant>()) return QStringLiteral("v");
    const char* sig = QDBusMetaType::typeToSignature(value.metaType());
    return sig ? QString::fromLatin1(sig) : QStringLiteral("?");
}

QStringList CheckCall(const InterfaceDescription& desc, const QString& member, const QString& signature,
                      const QVariantMap& options) {
    const auto it = desc.methods.constFind(member);
    if (it == desc.methods.cend()) return {QStringLiteral("%1 has no method %2").arg(desc.name, member)};
    QStringList wrong;
    if (signature != it->inSignature())
        wrong << QStringLiteral("%1 takes (%2), called with (%3)").arg(member, it->inSignature(), signature);
    for (auto o = options.cbegin(); o != options.cend(); ++o) {
        const auto doc = it->options.constFind(o.key());
        if (doc == it->options.cend()) {
            wrong << QStringLiteral("%1: option %2 is not described").arg(member, o.key());
            continue;
        }
        const QString type = VariantSignature(o.value());
        if (type != *doc)
            wrong << QStringLiteral("%1: option %2 is %3, described as %4").arg(member, o.key(), type, *doc);
    }
    static const QRegularExpression element(QStringLiteral("^[A-Za-z0-9_]+$"));
    const auto token = options.constFind(QStringLiteral("handle_token"));
    if (token != options.cend() && !element.match(token->toString()).hasMatch())
        wrong << QStringLiteral("%1: handle_token \"%2\" is no object path element")
                     .arg(member, token->toString());
    return wrong;
}

} // namespace nodo::testing
