#include "TWidgetCatalogue.h"

#include "CAnimMenu.h"
#include "CCompCurve.h"
#include "CCompositeAux.h"
#include "CDial.h"
#include "CEqCurve.h"
#include "CFader.h"
#include "CGEQCurve.h"
#include "CGateCurve.h"
#include "CHotspotLabel.h"
#include "CLabelDisplay.h"
#include "CGrid.h"
#include "CMeter.h"
#include "CMovieWidget.h"
#include "CNameEditor.h"
#include "COnOffButton.h"
#include "CPixmapSwitcher.h"
#include "CPixmapMeter.h"
#include "CPopup.h"
#include "CRadioButton.h"
#include "StateDisplayMulti.h"
#include "StateDisplayWidget.h"
#include "CPullDownMenu.h"
#include "CReverbGraph.h"
#include "CSurround.h"
#include "CTabWidget.h"
#include "CTextSlider.h"
#include "CThresholdMeter.h"
#include "CVDTabWidget.h"
#include "CTimeDisplay.h"
#include "CVEQGraph.h"
#include "C48V.h"
#include "C48VDial.h"
#include "CSelectButton.h"

#include <QMetaProperty>

namespace {

template<class W>
QWidget *make(QWidget *parent)
{
    return new W(parent);
}

template<class W>
TWidgetCatalogueEntry row(const char *extends, const char *includeFile, QSize size,
                          TWidgetCatalogueEntry::Glyph glyph, const char *toolTip,
                          const char *sampleAddress, bool container = false)
{
    const TWidgetCatalogueEntry entry {&W::staticMetaObject, extends, includeFile, size, glyph,
                                       toolTip, &make<W>, sampleAddress, container};
    return entry;
}

// Qt's own classes end the walk up a widget's meta-objects: what lies above them is the
// library's.
bool isQtClass(const QMetaObject *mo, const char *extends)
{
    return qstrcmp(mo->className(), extends) == 0;
}

} // namespace

QString TWidgetCatalogueEntry::className() const
{
    return QString::fromLatin1(metaObject->className());
}

QStringList TWidgetCatalogueEntry::untranslatedProperties() const
{
    // A property the Qt class already has (a label's text) keeps its meaning: display text.
    const QMetaObject *qtClass = metaObject;
    while (qtClass && !isQtClass(qtClass, extends))
        qtClass = qtClass->superClass();
    QStringList names;
    for (const QMetaObject *mo = metaObject; mo && !isQtClass(mo, extends); mo = mo->superClass()) {
        for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
            const QMetaProperty p = mo->property(i);
            if (qtClass && qtClass->indexOfProperty(p.name()) >= 0)
                continue;
            if (p.metaType().id() == QMetaType::QString && p.isWritable()
                && !names.contains(QLatin1String(p.name())))
                names.append(QString::fromLatin1(p.name()));
        }
    }
    return names;
}

const QVector<TWidgetCatalogueEntry> &TWidgetCatalogue::entries()
{
    using E = TWidgetCatalogueEntry;
    // One row per widget: adding a widget to forms is one line here.
    static const QVector<E> table {
            row<CDial>("QDial", "CDial.h", QSize(48, 48), E::Knob,
                       "Rotary knob showing a film-strip frame per value", "FEkHeadAmp/kGain"),
            row<CFader>("QWidget", "CFader.h", QSize(30, 160), E::Fader,
                        "Fader: a thumb picture over a background, with the memory's fader law",
                        "FEkInput/kFader"),
            row<COnOffButton>("QPushButton", "COnOffButton.h", QSize(36, 20), E::Button,
                              "On/off switch drawn from a strip of on, off, pressed and "
                              "disabled frames",
                              "FEkInput/kOn"),
            row<CPopup>("QPushButton", "CPopup.h", QSize(48, 18), E::Selector,
                        "Selector showing the current value's name; opens a grid of all names",
                        "FEkPatchInInput/kPatchIn"),
            row<CPullDownMenu>("QLabel", "CPullDownMenu.h", QSize(64, 18), E::Selector,
                               "Pull-down menu showing the current entry's text or picture",
                               "FEkInput/kInsertPoint"),
            row<CLabelDisplay>("QLabel", "CLabelDisplay.h", QSize(56, 16), E::Label,
                               "Value text fed by a control, with a temporary text while it moves",
                               nullptr),
            row<CHotspotLabel>("QLabel", "CHotspotLabel.h", QSize(56, 16), E::Label,
                               "Label whose hot spot reports clicks and double clicks", nullptr),
            row<CTimeDisplay>("QWidget", "CTimeDisplay.h", QSize(90, 18), E::Label,
                              "Running time code, painted at most a set number of times a second",
                              "00kSetupTCEventParams/kTCEventFrameRate"),
            row<CCompositeAux>("QWidget", "CCompositeAux.h", QSize(140, 120), E::Fader,
                               "Column of aux-send level bars with on switches, in collapsible "
                               "layers of four",
                               "FEkInput/kAuxLevel1"),
            row<CEqCurve>("QWidget", "CEqCurve.h", QSize(256, 120), E::Curve,
                          "Parametric EQ response with a draggable handle per band",
                          "FEkInputEQ/kEQOn"),
            row<CGEQCurve>("QWidget", "CGEQCurve.h", QSize(271, 80), E::Curve,
                           "Graphic-EQ response of 31 bands as one bar per pixel column",
                           "FEkGEQ/kGEQBand1"),
            row<CCompCurve>("QWidget", "CCompCurve.h", QSize(91, 91), E::Curve,
                            "Compressor, expander or compander transfer curve",
                            "FEkComp/kCompThreshold"),
            row<CGateCurve>("QWidget", "CGateCurve.h", QSize(91, 91), E::Curve,
                            "Gate or ducker transfer curve, one pixel per dB",
                            "FEkGate/kGateThreshold"),
            row<CMeter>("QWidget", "CMeter.h", QSize(6, 120), E::Meter,
                        "Level or gain-reduction bar meter", "FEkMeter/kInputLevel"),
            row<CThresholdMeter>("QWidget", "CThresholdMeter.h", QSize(12, 12), E::Meter,
                                 "Lamp showing whether a meter is below or at its threshold, "
                                 "gated by an on/off parameter",
                                 "FEkMeter/kInputLevel"),
            row<CPixmapMeter>("QWidget", "CPixmapMeter.h", QSize(8, 64), E::Meter,
                              "Meter shown as one picture of a grid of LED or needle frames",
                              "FEkMeter/kOutputLevel"),
            row<CReverbGraph>("QWidget", "CReverbGraph.h", QSize(420, 320), E::Curve,
                              "Reverb envelope, reverb time and filter curves with draggable "
                              "parameter knobs",
                              "FEkEffect/kEffectType"),
            row<CTextSlider>("QWidget", "CTextSlider.h", QSize(48, 16), E::TextValue,
                             "Value shown as text, changed by dragging up and down, clicking, "
                             "the wheel, keys or a typed number",
                             "FEkHeadAmp/kGain"),
            // Not bound: a name is the host's data, not a parameter.
            row<CNameEditor>("QLineEdit", "CNameEditor.h", QSize(80, 20), E::TextField,
                             "One-line name editor taking ASCII names, reporting accepted and "
                             "aborted edits",
                             nullptr),
            row<CStateDisplayMulti>("QWidget", "StateDisplayMulti.h", QSize(30, 144), E::Meter,
                                    "Column of lamps lit from the bits of one or more parameters",
                                    "FEkInput/kAssign"),
            row<CRadioButton>("QRadioButton", "CRadioButton.h", QSize(48, 20), E::Button,
                              "One choice of a multi-valued parameter: checked while the "
                              "parameter holds its value",
                              "FEkComp/kCompType"),
            row<StateDisplayWidget>("QFrame", "StateDisplayWidget.h", QSize(32, 32), E::Button,
                                    "Shows the strip frame that a parameter's value selects",
                                    "FEkComp/kCompType"),
            row<CPixmapSwitcher>("QLabel", "CPixmapSwitcher.h", QSize(90, 20), E::Selector,
                                 "Unbound picture switching between strip frames; optionally "
                                 "a tab strip",
                                 nullptr),
            row<CVEQGraph>("QLabel", "CVEQGraph.h", QSize(512, 180), E::Curve,
                           "Vintage-EQ response per section with a draggable pointer each",
                           "FEkEffect/kVEQParam1"),
            row<CGrid>("QWidget", "CGrid.h", QSize(230, 238), E::Matrix,
                       "Patch and assignment matrix: a ball per connected channel and field",
                       "FEkPatchInInput/kPatchIn"),
            row<CSurround>("QWidget", "CSurround.h", QSize(63, 63), E::Curve,
                           "Surround panner: a puck dragged over a field, leaving a fading trail",
                           "FEkInputSurround/kSurrX"),
            // They follow the parameter of the port their channel's input patch leads to
            // (xtraInfo names it), so the address they show the contract is that patch.
            row<C48V>("QPushButton", "C48V.h", QSize(36, 20), E::Button,
                      "+48 V switch of the converter port patched to the channel",
                      "FEkPatchInInput/kPatchIn"),
            row<C48VDial>("QDial", "C48VDial.h", QSize(48, 48), E::Knob,
                          "Knob for a setting of the converter port patched to the channel",
                          "FEkPatchInInput/kPatchIn"),
            row<CSelectButton>("QPushButton", "CSelectButton.h", QSize(36, 20), E::Button,
                               "Channel select key; the paired partner of the selection blinks",
                               "00kSelect/kSelChannel"),
            // Containers and chrome, not bound.
            row<CTabWidget>("QTabWidget", "CTabWidget.h", QSize(320, 200), E::Tabs,
                            "Tab container for editor pages", nullptr, true),
            row<CVDTabWidget>("QWidget", "CVDTabWidget.h", QSize(660, 300), E::Tabs,
                              "Editor tab strip switching the page stack placed inside it", nullptr,
                              true),
            row<CAnimMenu>("QFrame", "CAnimMenu.h", QSize(20, 100), E::Button,
                           "Drawer handle sliding open and telling when its menu may show",
                           nullptr),
            row<CMovieWidget>("QLabel", "CMovieWidget.h", QSize(530, 37), E::Label,
                              "Plays one of several animations, chosen by index", nullptr),
    };
    return table;
}

const TWidgetCatalogueEntry *TWidgetCatalogue::find(const QString &className)
{
    for (const TWidgetCatalogueEntry &e : entries()) {
        if (className == QLatin1String(e.metaObject->className()))
            return &e;
    }
    return nullptr;
}

QStringList TWidgetCatalogue::classNames()
{
    QStringList names;
    for (const TWidgetCatalogueEntry &e : entries())
        names.append(e.className());
    return names;
}

QWidget *TWidgetCatalogue::createWidget(const QString &className, QWidget *parent,
                                        const QString &objectName)
{
    const TWidgetCatalogueEntry *e = find(className);
    if (!e)
        return nullptr;
    QWidget *w = e->create(parent);
    w->setObjectName(objectName);
    return w;
}
