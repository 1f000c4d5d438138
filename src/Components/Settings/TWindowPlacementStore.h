#pragma once
// Where windows keep their placement between runs: position, outer size and window state
// (1 normal, 2 maximised, 3 minimised), per window name.
//
// TIniPlacementStore keeps every window in one section of an .ini file, keys name + "_Left"
// and so on. TSettingsPlacementStore keeps one group per window ("Forms/<name>") with the
// values "Left", "Top", "Height", "Width" and "WindowState", in a QSettings store (the
// per-user registry on Windows).

#include <QString>
#include <functional>
#include <memory>

class QSettings;

struct TWindowPlacement {
    int Left = 0;
    int Top = 0;
    int Height = 0;
    int Width = 0;
    int WindowState = 1;
    bool operator==(const TWindowPlacement&) const = default;
};

class TWindowPlacementStore {
public:
    virtual ~TWindowPlacementStore() = default;
    // Fills placement from the store; false (placement untouched) when the store holds no
    // placement section or key for windows. current supplies the defaults of missing values.
    virtual bool Read(const QString& name, const TWindowPlacement& current,
                      TWindowPlacement& placement) const = 0;
    // Writes the placement; false when it could not be stored.
    virtual bool Write(const QString& name, const TWindowPlacement& placement) = 0;
};

class TIniPlacementStore : public TWindowPlacementStore {
public:
    TIniPlacementStore(QString fileName, QString section);
    bool Read(const QString& name, const TWindowPlacement& current,
              TWindowPlacement& placement) const override;
    bool Write(const QString& name, const TWindowPlacement& placement) override;

private:
    QString FFileName;
    QString FSection;
};

class TSettingsPlacementStore : public TWindowPlacementStore {
public:
    using Factory = std::function<std::unique_ptr<QSettings>()>;
    TSettingsPlacementStore(Factory factory, QString group);
    bool Read(const QString& name, const TWindowPlacement& current,
              TWindowPlacement& placement) const override;
    bool Write(const QString& name, const TWindowPlacement& placement) override;

private:
    Factory FFactory;
    QString FGroup;
};
