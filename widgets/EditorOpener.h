#ifndef EDITOROPENER_H
#define EDITOROPENER_H

#include "zb4r_types.h"
#include "zb4r_widgets_export.h"

#include <QObject>
#include <QPointer>

class CHotspotLabel;
class TMemProxy;

// Opens a detail editor for a channel when its hotspot label is double-clicked: asks the
// memory's editor factory for an editor of editorType and hands it the proxy's channel (plus
// channelOffset) as its "channel" property. A child of its label.
class ZB4R_WIDGETS_EXPORT EditorOpener : public QObject
{
    Q_OBJECT
public:
    // Any modifier and button state opens the editor.
    static constexpr ButtonState AnyState = -1;

    EditorOpener(CHotspotLabel *label, TMemProxy *proxy, const Z_GUID &editorType, int editorKind,
                 ButtonState requiredState = AnyState, int channelOffset = 0);
    ~EditorOpener() override;

    // False when the label or the proxy was null: the opener then listens to nothing.
    bool isConnected() const { return m_connected; }
    // The proxy, or null once a proxy that is a QObject was destroyed.
    TMemProxy *proxy() const;

public Q_SLOTS:
    void openAnEditor(ButtonState state);
    void openAnEditor();

private:
    Z_GUID m_editorType;
    int m_editorKind;
    ButtonState m_requiredState;
    TMemProxy *m_proxy;
    int m_channelOffset;
    // Set when the proxy is a QObject: guards m_proxy against its destruction.
    QPointer<QObject> m_proxyObject;
    bool m_proxyIsObject = false;
    bool m_connected = false;
};

#endif
