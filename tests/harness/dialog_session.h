#ifndef EKR_DIALOG_SESSION_H
#define EKR_DIALOG_SESSION_H

#include "plugin_harness.h"

// A started component with the client's real widget tree and skins, and the
// recording doubles of the other services: what most tests of the dialog need.
struct DialogSession
{
    PluginHarness harness;
    FakeSettings& store = harness.settings;

    DialogSession()
    {
        harness.useHostUiLoader();
        harness.bringUp();
        if (harness.initializeAndStart() != 0)
            qFatal("the component did not start");
    }
    template <class W = QWidget> W* get(const char* name) const { return harness.widget<W>(name); }
    // The keys written so far, each as "key=value".
    QStringList writes() const
    {
        QStringList text;
        for (const auto& write : store.writes)
            text << QStringLiteral("%1=%2").arg(write.key, write.value.toString());
        return text;
    }
    // The value last written under key, invalid when none was.
    QVariant written(const QString& key) const
    {
        QVariant last;
        for (const auto& write : store.writes) {
            if (write.key == key)
                last = write.value;
        }
        return last;
    }
};

#endif
