#pragma once
// An XML settings file shared by several windows: a root element and one section per window,
// addressed by a path whose parts are separated by "\" ("Form_Tasks_Form\"); each value is an
// element holding text. Names that cannot stand as element names have those characters
// replaced by "_". Booleans read as true from "TRUE", "YES" or "Y" and as false from "FALSE",
// "NO" or "N" (any case); anything else gives the default.

#include <QString>
#include <memory>

class TXmlSettingsFile {
public:
    TXmlSettingsFile(QString fileName, QString rootName);
    ~TXmlSettingsFile();
    TXmlSettingsFile(const TXmlSettingsFile&) = delete;
    TXmlSettingsFile& operator=(const TXmlSettingsFile&) = delete;

    // Reads the file; a missing or unreadable file gives empty settings (false).
    bool Load();
    // Writes the file whole, through a temporary file renamed over it; false on failure.
    bool Save() const;

    bool ValueExists(const QString& path, const QString& name) const;
    QString ReadString(const QString& path, const QString& name,
                       const QString& fallback = {}) const;
    int ReadInteger(const QString& path, const QString& name, int fallback) const;
    bool ReadBoolean(const QString& path, const QString& name, bool fallback) const;
    void WriteString(const QString& path, const QString& name, const QString& value);
    void WriteInteger(const QString& path, const QString& name, int value);
    void WriteBoolean(const QString& path, const QString& name, bool value);

    // "Task Code" -> "Task_Code": the element name a text stands under.
    static QString ElementName(const QString& text);

    const QString& FileName() const { return FFileName; }

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
    QString FFileName;
    QString FRootName;
};
