#pragma once
// Shared pieces of the data-control tests: a small record set whose events write a log, a
// window to put controls in, and key presses sent without a test library.

#include "Components/Core/SysExceptions.h"
#include "Components/DataControls/TDataControls.h"
#include "Components/RecordSet/TRecordSet.h"

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <ostream>

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

inline QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Code string(10): edit text upper-cased on entry, shown as "[CODE]";
// Minutes float: a duration in minutes, edited as "hh:mm" under "!99:99;1;0" (blanks read as
//   0) and shown empty when 0; "25:00" or more is refused;
// Done boolean; Twice calculated (Minutes * 2); Note string(20).
struct TLoggedTable {
    TRecordSet Rs;
    QStringList Log;
    QStringList Errors;

    TLoggedTable() {
        Rs.Name = S("adsRows");
        TField& code = Rs.AddField(S("Code"), TFieldType::String, 10);
        TField& minutes = Rs.AddField(S("Minutes"), TFieldType::Float);
        TField& done = Rs.AddField(S("Done"), TFieldType::Boolean);
        Rs.AddField(S("Note"), TFieldType::String, 20);
        Rs.AddField(S("Picture"), TFieldType::Blob);
        Rs.AddCalculatedField(S("Twice"), TFieldType::Float);
        Rs.CreateDataSet();
        for (int i = 0; i < 3; ++i) {
            Rs.Append();
            code.SetAsString(QStringLiteral("C%1").arg(i + 1));
            minutes.SetAsFloat(30.0 * (i + 1));
            done.SetAsBoolean(i == 1);
            Rs.Post();
        }

        code.OnGetText = [](TField& f, QString& text, bool display) {
            text = display ? QStringLiteral("[%1]").arg(f.AsString()) : f.AsString();
        };
        code.OnSetText = [this](TField& f, const QString& text) {
            Log << S("SetText ") + f.FieldName() + S(" '") + text + S("'");
            f.SetAsString(text.trimmed().toUpper());
        };
        minutes.SetEditMask(S("!99:99;1;0"));
        minutes.OnGetText = [](TField& f, QString& text, bool display) {
            const int m = int(f.AsFloat());
            text = display && m == 0 ? QString()
                                     : QStringLiteral("%1:%2")
                                           .arg(m / 60, 2, 10, QLatin1Char('0'))
                                           .arg(m % 60, 2, 10, QLatin1Char('0'));
        };
        minutes.OnSetText = [this](TField& f, const QString& text) {
            Log << S("SetText ") + f.FieldName() + S(" '") + text + S("'");
            QString t = text;
            t.replace(QLatin1Char(' '), QLatin1Char('0'));
            const QStringList parts = t.split(QLatin1Char(':'));
            bool okH = false, okM = false;
            const int h = parts.value(0).toInt(&okH), m = parts.value(1).toInt(&okM);
            if (parts.size() != 2 || !okH || !okM || h > 24 || m > 59)
                throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
            f.SetAsFloat(h * 60 + m);
        };
        for (int i = 0; i < Rs.FieldCount(); ++i) {
            TField& f = Rs.Fields(i);
            f.OnValidate = [this](TField& v) { Log << S("Validate ") + v.FieldName(); };
            f.OnChange = [this](TField& v) { Log << S("Change ") + v.FieldName(); };
        }
        Rs.OnCalcFields = [this](TRecordSet& rs) {
            if (Log.isEmpty() || Log.last() != S("Calc")) Log << S("Calc");
            rs.FieldByName(S("Twice")).SetAsFloat(rs.FieldByName(S("Minutes")).AsFloat() * 2);
        };
        Rs.BeforeEdit = [this](TRecordSet&) { Log << S("BeforeEdit"); };
        Rs.AfterEdit = [this](TRecordSet&) { Log << S("AfterEdit"); };
        Rs.BeforePost = [this](TRecordSet&) { Log << S("BeforePost"); };
        Rs.AfterPost = [this](TRecordSet&) { Log << S("AfterPost"); };
        Rs.AfterScroll = [this](TRecordSet&) { Log << S("AfterScroll"); };
        TDataControls::OnError = [this](const Exception& e) { Errors << e.Message(); };
        Rs.First();
        Log.clear();
    }
    ~TLoggedTable() { TDataControls::OnError = nullptr; }

    TField& F(const char* name) { return Rs.FieldByName(S(name)); }
};

// A shown, active top-level window for controls that need the focus.
struct TTestWindow : QWidget {
    TTestWindow() {
        resize(400, 300);
        show();
        activateWindow();
        for (int i = 0; i < 50 && !isActiveWindow(); ++i)
            QApplication::processEvents();
    }
};

inline void SendKey(QWidget* widget, int key, const QString& text = {},
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

inline void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        int key = c.toUpper().unicode();
        if (c == QLatin1Char(' ')) key = Qt::Key_Space;
        SendKey(widget, key, QString(c));
    }
}
