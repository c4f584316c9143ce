// The bundle's entry object: the factory the host creates after loading the library.
#include "plugin/KorvanePrintPdeRk880JC.h"

#include "platform/pde.h"
#include "platform/trace.h"

#include <QObject>

class KorvanePrintPdeRk880JCPDEPlugIn : public QObject, public platform::PDEPlugIn {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KORVANE_PDE_PLUGIN_IID)
    Q_INTERFACES(platform::PDEPlugIn)

public:
    // Nothing to prepare: the panel finds its own bundle.
    bool initWithBundle(const std::string& /*bundlePath*/) override
    {
        _PDEProlog(this, "initWithBundle:");
        _PDEEpilog(this, "initWithBundle:=BOOL(YES)");
        return true;
    }

    // One "Job Control" panel for the printer panel type, an empty list for any other type.
    std::optional<platform::PanelList> PDEPanelsForType(const std::string& type,
                                                        platform::PDEPluginCallback* callback) override
    {
        _PDEProlog(this, "PDEPanelsForType:");
        platform::PanelList panels;
        if (type == platform::kPrinterPanelType)
            panels.push_back(std::make_unique<KorvanePrintPdeRk880JC>(callback));
        _PDEEpilog(this, "PDEPanelsForType:=NSArray(%@)", panels.size());
        return panels;
    }
};

#include "plugin_entry.moc"
