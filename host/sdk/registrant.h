#pragma once
/// Who registrations made right now belong to. The plug-in loader opens a scope around every
/// call into a plug-in library: while the library is opened (its static constructors run inside
/// dlopen, before initializePlugin), while an entry point runs and while the library is closed
/// (its static destructors). Registration paths that take no plug-in handle (the kind table,
/// the modelling engine's load-time registrations) attribute what they register to the
/// innermost scope, so that the loader can take it back when the library goes. Main thread.

namespace tarn {

/// The innermost registrant (the loader's plug-in record), or null for the host itself.
void* currentRegistrant();

/// Makes `owner` the current registrant for its lifetime; scopes nest.
class RegistrantScope {
public:
    explicit RegistrantScope(void* owner);
    ~RegistrantScope();
    RegistrantScope(const RegistrantScope&) = delete;
    RegistrantScope& operator=(const RegistrantScope&) = delete;

private:
    void* m_previous;
};

/// Takes back every kind `owner` added to the kind table (KObjBase::add). Called by the loader
/// when a plug-in is unloaded or its load fails.
void releaseAddedTypes(void* owner);

}  // namespace tarn
