#include "TXmlSettingsFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <pugixml.hpp>
#include <sstream>

struct TXmlSettingsFile::TImpl {
    pugi::xml_document Document;
};

namespace {
bool NameStartChar(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}
bool NameChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-') ||
           c == QLatin1Char('.');
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}
} // namespace

TXmlSettingsFile::TXmlSettingsFile(QString fileName, QString rootName)
    : FImpl(std::make_unique<TImpl>()), FFileName(std::move(fileName)),
      FRootName(std::move(rootName)) {}

TXmlSettingsFile::~TXmlSettingsFile() = default;

QString TXmlSettingsFile::ElementName(const QString& text) {
    QString name = text;
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (i == 0 ? !NameStartChar(c) : !NameChar(c)) name[i] = QLatin1Char('_');
    }
    return name.isEmpty() ? QStringLiteral("_") : name;
}

bool TXmlSettingsFile::Load() {
    FImpl->Document.reset();
    QFile file(FFileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    const pugi::xml_parse_result result =
        FImpl->Document.load_buffer(bytes.constData(), size_t(bytes.size()));
    if (!result || FImpl->Document.document_element().name() != Utf8(FRootName)) {
        FImpl->Document.reset(); // a damaged file counts as no settings
        return false;
    }
    return true;
}

bool TXmlSettingsFile::Save() const {
    std::ostringstream out;
    FImpl->Document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const std::string text = out.str();
    file.write(text.data(), qint64(text.size()));
    return file.commit();
}

namespace {
// The element of a section path under the root, created when asked to.
pugi::xml_node Section(pugi::xml_document& document, const QString& root, const QString& path,
                       bool create) {
    pugi::xml_node node = document.document_element();
    if (!node) {
        if (!create) return {};
        node = document.append_child(Utf8(root).c_str());
    }
    for (const QString& part : path.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        const std::string name = Utf8(TXmlSettingsFile::ElementName(part));
        pugi::xml_node child = node.child(name.c_str());
        if (!child) {
            if (!create) return {};
            child = node.append_child(name.c_str());
        }
        node = child;
    }
    return node;
}
} // namespace

bool TXmlSettingsFile::ValueExists(const QString& path, const QString& name) const {
    const pugi::xml_node section = Section(FImpl->Document, FRootName, path, false);
    return section && section.child(Utf8(ElementName(name)).c_str());
}

QString TXmlSettingsFile::ReadString(const QString& path, const QString& name,
                                     const QString& fallback) const {
    const pugi::xml_node section = Section(FImpl->Document, FRootName, path, false);
    if (!section) return fallback;
    const pugi::xml_node value = section.child(Utf8(ElementName(name)).c_str());
    return value ? QString::fromUtf8(value.text().get()) : fallback;
}

int TXmlSettingsFile::ReadInteger(const QString& path, const QString& name, int fallback) const {
    bool ok = false;
    const int value = ReadString(path, name).trimmed().toInt(&ok);
    return ok ? value : fallback;
}

bool TXmlSettingsFile::ReadBoolean(const QString& path, const QString& name, bool fallback) const {
    const QString text = ReadString(path, name).trimmed().toUpper();
    if (text == QLatin1String("TRUE") || text == QLatin1String("YES") || text == QLatin1String("Y"))
        return true;
    if (text == QLatin1String("FALSE") || text == QLatin1String("NO") || text == QLatin1String("N"))
        return false;
    return fallback;
}

void TXmlSettingsFile::WriteString(const QString& path, const QString& name, const QString& value) {
    pugi::xml_node section = Section(FImpl->Document, FRootName, path, true);
    const std::string element = Utf8(ElementName(name));
    pugi::xml_node node = section.child(element.c_str());
    if (!node) node = section.append_child(element.c_str());
    node.text().set(Utf8(value).c_str());
}

void TXmlSettingsFile::WriteInteger(const QString& path, const QString& name, int value) {
    WriteString(path, name, QString::number(value));
}

void TXmlSettingsFile::WriteBoolean(const QString& path, const QString& name, bool value) {
    WriteString(path, name, value ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
}
