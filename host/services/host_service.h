#ifndef EKR_HOST_SERVICE_H
#define EKR_HOST_SERVICE_H

#include <QSet>
#include <QVariant>
#include <QVariantHash>

#include <utility>

// The lifecycle that every host service shares. A service is shared by the
// host and all of its plugins, so initialisation is counted: the service is
// set up by the first Initialize and torn down by the last Uninitialize. Each
// Start hands out a handle of its own; the service runs while any is open.
template <class Interface> class HostService : public Interface
{
public:
    int Initialize(const QVariantHash& params) override
    {
        if (m_nInitCount == 0) {
            m_params = params;
            const int result = onInitialize();
            if (result != 0)
                return result;
        }
        ++m_nInitCount;
        return 0;
    }

    int Uninitialize() override
    {
        if (m_nInitCount == 0)
            return -3;
        if (--m_nInitCount == 0) {
            // Handles still open close with the last user.
            if (!std::exchange(m_openHandles, {}).isEmpty())
                onStop();
            onUninitialize();
        }
        return 0;
    }

    int Start(QVariant& handle, const QVariantHash& params) override
    {
        Q_UNUSED(params)
        if (m_nInitCount == 0)
            return -3;
        if (m_openHandles.isEmpty()) {
            const int result = onStart();
            if (result != 0)
                return result;
        }
        const int opened = m_nNextHandle++;
        m_openHandles.insert(opened);
        handle = QVariant(opened);
        return 0;
    }

    int Stop(const QVariant& handle) override
    {
        if (m_nInitCount == 0)
            return -3;
        if (!m_openHandles.remove(handle.toInt()))
            return -4;
        if (m_openHandles.isEmpty())
            onStop();
        return 0;
    }

    int Execute(const QVariant& handle, QVariant& argument) override
    {
        Q_UNUSED(argument)
        return Query(handle);
    }

    int Query(const QVariant& handle) override
    {
        if (m_nInitCount == 0)
            return -3;
        return m_openHandles.contains(handle.toInt()) ? 0 : -4;
    }

    // Tears the service down whoever still holds it; used by the host at exit.
    void release()
    {
        if (m_nInitCount > 0) {
            m_nInitCount = 1;
            Uninitialize();
        }
    }

    bool isInitialized() const { return m_nInitCount > 0; }
    bool isRunning() const { return !m_openHandles.isEmpty(); }

protected:
    virtual int onInitialize() { return 0; }
    virtual void onUninitialize() {}
    virtual int onStart() { return 0; }
    virtual void onStop() {}

    const QVariantHash& params() const { return m_params; }

private:
    int m_nInitCount = 0;
    int m_nNextHandle = 1;
    QSet<int> m_openHandles;
    QVariantHash m_params;
};

#endif
