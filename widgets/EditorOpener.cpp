#include "EditorOpener.h"

#include "CHotspotLabel.h"
#include "NS_Utilities.h"
#include "TMemProxy.h"

#include <QVariant>
#include <QWidget>

EditorOpener::EditorOpener(CHotspotLabel *label, TMemProxy *proxy, const Z_GUID &editorType,
                           int editorKind, ButtonState requiredState, int channelOffset)
    : QObject(label)
    , m_editorType(editorType)
    , m_editorKind(editorKind)
    , m_requiredState(requiredState)
    , m_proxy(proxy)
    , m_channelOffset(channelOffset)
{
    if (auto *object = dynamic_cast<QObject *>(proxy)) {
        m_proxyObject = object;
        m_proxyIsObject = true;
    }
    if (!label || !proxy)
        return;
    m_connected = connect(label, SIGNAL(hotspotDoubleClicked(ButtonState)), this,
                          SLOT(openAnEditor(ButtonState)));
    if (!m_connected)
        m_connected = connect(label, SIGNAL(hotspotDoubleClicked()), this, SLOT(openAnEditor()));
}

EditorOpener::~EditorOpener() = default;

TMemProxy *EditorOpener::proxy() const
{
    if (m_proxyIsObject && !m_proxyObject)
        return nullptr;
    return m_proxy;
}

void EditorOpener::openAnEditor()
{
    openAnEditor(NS_Utilities::modifierState());
}

void EditorOpener::openAnEditor(ButtonState state)
{
    if (m_requiredState != AnyState && m_requiredState != state)
        return;
    TMemProxy *target = proxy();
    IMemAPI *api = target ? target->memAPI() : nullptr;
    IEditorFactory *factory = api ? api->editorFactory() : nullptr;
    if (!factory)
        return;
    QWidget *editor = nullptr;
    if (factory->open(m_editorType, m_editorKind, &editor, 0, 0) != 0 || !editor)
        return;
    editor->setProperty("channel", QVariant(target->channel() + m_channelOffset));
    editor->show();
    editor->setFocus();
}
