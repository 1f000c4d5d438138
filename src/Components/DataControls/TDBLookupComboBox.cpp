#include "TDBLookupComboBox.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace {
QStringList FieldList(const QString& fields) {
    QStringList list;
    for (const QString& name : fields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        list << name.trimmed();
    return list;
}
} // namespace

TDBLookupComboBox::TDBLookupComboBox(QWidget* parent)
    : QComboBox(parent), FDataLink(this), FListWatch(this) {
    setEditable(false);
    setMaxVisibleItems(7);
    auto refresh = [this] { DataChange(); };
    connect(&FDataLink, &TFieldDataLink::DataChange, this, refresh);
    connect(&FDataLink, &TFieldDataLink::ActiveChange, this, refresh);
    connect(&FListWatch, &TDataSource::RowsChanged, this, [this] { DataChange(); });
    connect(this, &QComboBox::activated, this, [this](int index) { SelectItem(index); });
}

void TDBLookupComboBox::SetListSource(TDataSource* listSource) {
    FListSource = listSource;
    DataChange();
}

void TDBLookupComboBox::SetListField(const QString& listField) {
    FListField = listField;
    DataChange();
}

void TDBLookupComboBox::SetKeyField(const QString& keyField) {
    FKeyField = keyField;
    DataChange();
}

TDBLookupComboBox::TBinding TDBLookupComboBox::Binding() const {
    TBinding binding;
    const TField* field = FDataLink.Field();
    if (!field) return binding;
    if (field->FieldKind() == TFieldKind::Lookup) {
        binding.List = field->LookupDataSet();
        binding.ListKeys = FieldList(field->LookupKeyFields());
        binding.ListText = FListField.isEmpty() ? field->LookupResultField() : FListField;
        binding.MainKeys = FieldList(field->KeyFields());
    } else {
        binding.List = FListSource ? FListSource->DataSet() : nullptr;
        binding.ListKeys = FieldList(FKeyField);
        binding.ListText = FListField;
        binding.MainKeys = FieldList(FDataLink.FieldName());
    }
    if (binding.List && !binding.List->Active()) binding.List = nullptr;
    if (binding.ListKeys.size() != binding.MainKeys.size()) binding.List = nullptr;
    return binding;
}

TRecordSet* TDBLookupComboBox::ListDataSet() const {
    return Binding().List;
}

QVariantList TDBLookupComboBox::CurrentKey() const {
    QVariantList key;
    TRecordSet* main = FDataLink.DataSet();
    if (!main) return key;
    for (const QString& name : Binding().MainKeys)
        if (const TField* field = main->FindField(name)) key << field->Value();
    return key;
}

QString TDBLookupComboBox::ActiveRecordText() const {
    const TField* field = FDataLink.Field();
    if (!field) return {};
    QString text;
    TDataControls::Guard([&] {
        if (field->FieldKind() == TFieldKind::Lookup && FListField.isEmpty()) {
            text = field->DisplayText();
            return;
        }
        const TBinding binding = Binding();
        if (!binding.List || binding.ListText.isEmpty()) return;
        const QVariantList key = CurrentKey();
        if (key.size() != binding.MainKeys.size()) return;
        for (const QVariant& value : key)
            if (!value.isValid()) return;
        const QVariant found =
            binding.List->Lookup(binding.ListKeys.join(QLatin1Char(';')), key, binding.ListText);
        if (found.isValid()) text = found.toString();
    });
    return text;
}

void TDBLookupComboBox::DataChange() {
    // The list of a lookup field may change with the field's definition.
    const TBinding binding = Binding();
    if (FListWatch.DataSet() != binding.List) FListWatch.SetDataSet(binding.List);
    FDisplayText = ActiveRecordText();
    update();
}

void TDBLookupComboBox::RefreshList() {
    const TBinding binding = Binding();
    const QSignalBlocker blocker(this);
    clear();
    if (!binding.List || binding.ListText.isEmpty()) return;
    TDataControls::Guard([&] {
        TRecordSet& list = *binding.List;
        const TField& text = list.FieldByName(binding.ListText);
        std::vector<const TField*> keys;
        for (const QString& name : binding.ListKeys)
            keys.push_back(&list.FieldByName(name));
        const QVariantList current = CurrentKey();
        int currentIndex = -1;
        const int count = list.RecordCount();
        for (int recNo = 1; recNo <= count; ++recNo) {
            list.WithRecord(recNo, [&] {
                QVariantList key;
                for (const TField* field : keys)
                    key << field->Value();
                if (currentIndex < 0 && key == current) currentIndex = recNo - 1;
                addItem(text.DisplayText(), key);
            });
        }
        setCurrentIndex(currentIndex);
    });
}

bool TDBLookupComboBox::CanModify(const TBinding& binding) const {
    TRecordSet* main = FDataLink.DataSet();
    if (!main || !binding.List || FDataLink.ReadOnly()) return false;
    for (const QString& name : binding.MainKeys) {
        const TField* field = main->FindField(name);
        if (!field || field->ReadOnly() || field->FieldKind() != TFieldKind::Data) return false;
    }
    return true;
}

bool TDBLookupComboBox::SelectItem(int index) {
    if (index < 0 || index >= count()) return false;
    const TBinding binding = Binding();
    if (!CanModify(binding)) {
        DataChange();
        return false;
    }
    const QVariantList key = itemData(index).toList();
    const bool ok = TDataControls::Guard([&] {
        TDataSource* source = FDataLink.DataSource();
        if (!source->Editing() && !source->Edit()) throw EAbort();
        TRecordSet& main = *FDataLink.DataSet();
        for (int i = 0; i < binding.MainKeys.size() && i < key.size(); ++i)
            main.FieldByName(binding.MainKeys.at(i)).SetValue(key.at(i));
    });
    DataChange();
    if (ok) Q_EMIT changed();
    return ok;
}

QRect TDBLookupComboBox::TextRect() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                   this);
}

void TDBLookupComboBox::showPopup() {
    RefreshList();
    if (count() == 0) return;
    view()->setMinimumWidth(std::max(FDropDownWidth, width()));
    QComboBox::showPopup();
    Q_EMIT popupShown();
}

void TDBLookupComboBox::keyPressEvent(QKeyEvent* event) {
    // Up, Down and typed letters move from the current row's item.
    RefreshList();
    QComboBox::keyPressEvent(event);
}

void TDBLookupComboBox::wheelEvent(QWheelEvent* event) {
    // The wheel scrolls the window, not the row's key.
    event->ignore();
}

void TDBLookupComboBox::focusInEvent(QFocusEvent* event) {
    QComboBox::focusInEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        Q_EMIT entered();
}

void TDBLookupComboBox::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        Q_EMIT exited();
}

void TDBLookupComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = FDisplayText;
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void TDBLookupComboBox::PaintActiveRecord(QPainter& painter, const QRect& rect) {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.rect = rect;
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver | QStyle::State_On |
                      QStyle::State_Sunken);
    option.currentText = ActiveRecordText();
    option.currentIcon = QIcon();
    painter.save();
    painter.setPen(palette().color(QPalette::Text));
    style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, this);
    style()->drawControl(QStyle::CE_ComboBoxLabel, &option, &painter, this);
    painter.restore();
}
