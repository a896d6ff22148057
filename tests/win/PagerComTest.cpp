// The shell extension's COM server loaded into the test process: class availability, interfaces,
// reference and object counts, pages over their life, and the registration.

#include "tests/support/WineTestSupport.h"
#include "tests/win/PagerTestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// {00000000-1111-2222-3333-444444444444}: a class the library does not serve.
constexpr CLSID kUnknownClsid = {
    0x00000000, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44}};

void* const kGarbage = reinterpret_cast<void*>(static_cast<uintptr_t>(0x1234));

class PagerCom : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(lib.module, nullptr) << "ZeltoPager.dll did not load";
        ASSERT_NE(lib.getClassObject, nullptr);
        ASSERT_NE(lib.canUnloadNow, nullptr);
        ASSERT_EQ(lib.canUnloadNow(), S_OK) << "objects of an earlier test are alive";
    }
    void TearDown() override { EXPECT_EQ(lib.canUnloadNow(), S_OK) << "the test left objects alive"; }

    IClassFactory* Factory() {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(lib.getClassObject(kPagerClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                  S_OK);
        return factory;
    }

    const CPagerLibrary& lib = CPagerLibrary::Get();
};

const std::string kClassKey = std::string("CLSID\\") + kPagerClsidText;
const std::string kServerKey = kClassKey + "\\InProcServer32";
const std::string kSheetHandlerKey = "*\\shellex\\PropertySheetHandlers\\ZeltoPager.1";
const std::string kMenuHandlerKey = "*\\shellex\\ContextMenuHandlers\\ZeltoPager.1";

void ExpectRegistered(const std::string& library) {
    EXPECT_EQ(ClassesValue("ZeltoPager.1"), "Allow Zelto Page.");
    EXPECT_EQ(ClassesValue("ZeltoPager.1\\CLSID"), kPagerClsidText);
    EXPECT_EQ(ClassesValue(kClassKey), "Allow Zelto Page.");
    EXPECT_EQ(ClassesValue(kClassKey + "\\ProgID"), "ZeltoPager.1");
    EXPECT_EQ(_stricmp(ClassesValue(kServerKey).c_str(), library.c_str()), 0) << ClassesValue(kServerKey);
    EXPECT_EQ(ClassesValue(kServerKey, "ThreadingModel"), "Apartment");
    EXPECT_EQ(ClassesValue(kMenuHandlerKey), kPagerClsidText);
    EXPECT_EQ(ClassesValue(kSheetHandlerKey), kPagerClsidText);
}

void ExpectUnregistered() {
    for (const std::string& key : {std::string("ZeltoPager.1"), kClassKey, kSheetHandlerKey, kMenuHandlerKey})
        EXPECT_FALSE(ClassesKeyExists(key)) << key << " is left";
}

} // namespace

TEST_F(PagerCom, GivesOutItsClassFactoryOnlyForItsOwnClass) {
    void* object = kGarbage;
    EXPECT_EQ(lib.getClassObject(kUnknownClsid, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(lib.getClassObject(kPagerClsid, IID_IClassFactory, nullptr), E_POINTER);

    // The factory does not serve the extension's interface; nothing is left alive.
    object = kGarbage;
    EXPECT_EQ(lib.getClassObject(kPagerClsid, IID_IShellPropSheetExt, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(lib.canUnloadNow(), S_OK);

    IUnknown* unknown = nullptr;
    ASSERT_EQ(lib.getClassObject(kPagerClsid, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown->Release(), 0u);
}

TEST_F(PagerCom, AHeldFactoryKeepsTheLibraryLoaded) {
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(lib.canUnloadNow(), S_FALSE);
    // Handed out with one reference.
    EXPECT_EQ(factory->AddRef(), 2u);
    EXPECT_EQ(factory->Release(), 1u);

    IUnknown* unknown = nullptr;
    ASSERT_EQ(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(factory));
    EXPECT_EQ(unknown->Release(), 1u);
    void* object = kGarbage;
    EXPECT_EQ(factory->QueryInterface(IID_IShellPropSheetExt, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(factory->LockServer(TRUE), E_NOTIMPL);

    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(lib.canUnloadNow(), S_OK);
}

TEST_F(PagerCom, CreatesExtensionObjectsAndRefusesAggregationAndOtherInterfaces) {
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);

    // Any live object will do as the outer one.
    void* object = kGarbage;
    EXPECT_EQ(factory->CreateInstance(factory, IID_IShellPropSheetExt, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IShellPropSheetExt, nullptr), E_POINTER);

    // An interface the object lacks: the new object is gone at once.
    object = kGarbage;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    IShellPropSheetExt* extension = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellPropSheetExt, reinterpret_cast<void**>(&extension)),
              S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    // The extension alone keeps the library loaded, with one reference.
    EXPECT_EQ(lib.canUnloadNow(), S_FALSE);
    EXPECT_EQ(extension->AddRef(), 2u);
    EXPECT_EQ(extension->Release(), 1u);

    for (const IID& iid : {IID_IContextMenu, IID_IClassFactory}) {
        object = kGarbage;
        EXPECT_EQ(extension->QueryInterface(iid, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
    }
    // One object behind every interface: the same IUnknown, one reference count.
    IUnknown* unknown = nullptr;
    ASSERT_EQ(extension->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    IShellExtInit* init = nullptr;
    ASSERT_EQ(extension->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
    IUnknown* unknownOfInit = nullptr;
    ASSERT_EQ(init->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknownOfInit)), S_OK);
    EXPECT_EQ(unknownOfInit, unknown);
    EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(unknownOfInit->Release(), 3u);
    EXPECT_EQ(init->Release(), 2u);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(extension->ReplacePage(EXPPS_FILETYPES, &CCollectedPages::Add, 0), E_FAIL);
    EXPECT_EQ(extension->AddPages(nullptr, 0), E_INVALIDARG);

    EXPECT_EQ(extension->Release(), 0u);
}

TEST_F(PagerCom, APageKeepsTheLibraryLoadedUntilItsSheetLetsGo) {
    IShellPropSheetExt* extension = lib.CreateExtension();
    ASSERT_NE(extension, nullptr);
    CCollectedPages collected;
    EXPECT_EQ(extension->AddPages(&CCollectedPages::Add, reinterpret_cast<LPARAM>(&collected)), S_OK);
    ASSERT_EQ(collected.pages.size(), 1u);
    EXPECT_EQ(extension->Release(), 0u);
    EXPECT_EQ(lib.canUnloadNow(), S_FALSE) << "the page does not count";
    EXPECT_TRUE(DestroyPropertySheetPage(collected.pages[0]));
    EXPECT_EQ(lib.canUnloadNow(), S_OK);

    // A sheet that refuses the page: the extension destroys it itself.
    extension = lib.CreateExtension();
    ASSERT_NE(extension, nullptr);
    CCollectedPages refused;
    refused.accept = FALSE;
    EXPECT_EQ(extension->AddPages(&CCollectedPages::Add, reinterpret_cast<LPARAM>(&refused)), S_OK);
    EXPECT_EQ(extension->Release(), 0u);
    EXPECT_EQ(lib.canUnloadNow(), S_OK);
}

TEST_F(PagerCom, RegistersAndUnregistersItself) {
    ASSERT_NE(lib.registerServer, nullptr);
    ASSERT_NE(lib.unregisterServer, nullptr);
    EXPECT_EQ(lib.registerServer(), S_OK);
    ExpectRegistered(PathBesideTest("ZeltoPager.dll"));
    EXPECT_EQ(lib.unregisterServer(), S_OK);
    ExpectUnregistered();
    // Nothing left to remove is no failure.
    EXPECT_EQ(lib.unregisterServer(), S_OK);
}

TEST_F(PagerCom, RegistersThroughRegsvr32) {
    const std::string library = PathBesideTest("ZeltoPager.dll");
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string regsvr32 = std::string(system) + "\\regsvr32.exe";

    CChildProcess registration;
    ASSERT_TRUE(registration.Start(regsvr32, "/s \"" + library + "\""));
    EXPECT_EQ(registration.Wait(30000), 0);
    ExpectRegistered(library);

    CChildProcess removal;
    ASSERT_TRUE(removal.Start(regsvr32, "/s /u \"" + library + "\""));
    EXPECT_EQ(removal.Wait(30000), 0);
    ExpectUnregistered();
}
