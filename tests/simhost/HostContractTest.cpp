// The host list's contracts against simhost's answers: every slot the list names is filled, and
// every operation and selector, driven with null pointers and with empty records, answers only
// the codes its contract names (and 0, and the rule's ErrBadHandle and ErrBadParameter).
#include "gs/MemoryManager.h"
#include "host/HostApi.h"
#include "runtime/Contracts.h"
#include "support/InProcessHost.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace host_contract_test {

using testing_support::InProcessHost;

// Every code's names by value.
std::map<GSErrCode, std::set<std::string>> CodeNames() {
    std::map<GSErrCode, std::set<std::string>> names;
    for (const auto& [name, code] : simhost::CodesByName())
        names[code].insert(name);
    return names;
}

// The handles an operation hands out in its records are the caller's to dispose of.
template <typename T> void ReleaseHandles(T&) {}
void ReleaseHandles(GSHandle& handle) {
    BMKillHandle(&handle);
}
void ReleaseHandles(API_AddParType**& parameters) {
    BMKillHandle(reinterpret_cast<GSHandle*>(&parameters));
}
void ReleaseHandles(API_SelectionInfo& info) {
    BMKillHandle(&info.marquee);
}
void ReleaseHandles(API_AttributeDefinitions& definitions) {
    BMKillHandle(&definitions.compositeSkins);
    BMKillHandle(&definitions.compositeLines);
}

// The arguments of one call: every pointer null, or every pointer to an object pointing to a
// value-initialised one (an empty record, a zero, a null pointer, an empty text).
class Arguments {
public:
    explicit Arguments(bool filled) : filled(filled) {}

    template <typename T> T Make() {
        using Pointee = std::remove_cv_t<std::remove_pointer_t<T>>;
        if constexpr (std::is_pointer_v<T> && std::is_object_v<Pointee>) {
            if (!filled)
                return nullptr;
            std::shared_ptr<Pointee> object(new Pointee(), [](Pointee* p) {
                ReleaseHandles(*p);
                delete p;
            });
            kept.push_back(object);
            return object.get();
        } else {
            return T{};
        }
    }

private:
    bool filled;
    std::vector<std::shared_ptr<void>> kept;
};

template <typename... A> GSErrCode CallWith(GSErrCode (*operation)(A...), Arguments& arguments) {
    return operation(arguments.template Make<A>()...);
}

template <typename... A> bool TakesObjectPointer(GSErrCode (*)(A...)) {
    return ((std::is_pointer_v<A> && std::is_object_v<std::remove_pointer_t<A>>) || ...);
}

TEST(HostContract, EveryOperationOfTheListFillsItsSlot) {
    InProcessHost h;
    const HostFunctionTable table = h.host.table;
    std::vector<std::string> empty;
    std::set<int> listed;
    for (const HostOpInfo& op : HostOps) {
        listed.insert(op.slot);
        if (table.entries[op.slot] == nullptr)
            empty.push_back(op.name);
    }
    EXPECT_THAT(empty, testing::IsEmpty()) << "an operation the list names has no function in simhost";
    for (int slot = 0; slot < HostFunctionSlots; ++slot) {
        if (listed.count(slot) == 0) {
            EXPECT_EQ(table.entries[slot], nullptr) << "slot " << slot << " is not in the list";
        }
    }
}

// The binding's own codes (an entry point called too early, an empty slot) are never the host's:
// no code a contract names shares a value with them.
TEST(HostContract, NoHostCodeIsOneOfTheBindingsOwn) {
    const auto& values = simhost::CodesByName();
    for (const auto& [operation, codes] : simhost::ContractCodeNames())
        for (const auto& code : codes)
            for (GSErrCode own : {ErrNotInitialised, ErrMissingEntry})
                EXPECT_NE(values.at(code), own) << operation << " names " << code;
}

TEST(HostContract, EveryAnswerToNullAndEmptyArgumentsIsACodeTheContractNames) {
    const auto names = CodeNames();
    const auto& contracts = simhost::ContractCodeNames();
    std::vector<std::string> faults;
    for (bool filled : {false, true}) {
        InProcessHost h;
        bool takesObjectPointer = false;
        auto check = [&](const std::string& name, GSErrCode answer) {
            if (contracts.count(name) == 0) {
                faults.push_back(name + " has no contract in the list");
                return;
            }
            if (answer == NoError || answer == ErrBadParameter || answer == ErrBadHandle)
                return;
            // A null pointer is a bad parameter, whatever the record would have named.
            if (!filled && answer == ErrNotFound && takesObjectPointer) {
                faults.push_back(name + " answered ErrNotFound for null pointers, not ErrBadParameter");
                return;
            }
            auto known = names.find(answer);
            for (const auto& codeName : known == names.end() ? std::set<std::string>{} : known->second)
                if (contracts.at(name).count(codeName) > 0)
                    return;
            std::ostringstream fault;
            fault << name << (filled ? " (empty records)" : " (null pointers)") << " answered "
                  << (known == names.end() ? std::to_string(answer) : *known->second.begin())
                  << ", which its contract does not name";
            faults.push_back(fault.str());
        };
        Arguments arguments(filled);
#define QV_HOST_OP(slot, name, result, params, args)                                                         \
    takesObjectPointer = TakesObjectPointer(&HostApi::name);                                                 \
    check(#name, CallWith(&HostApi::name, arguments));
#define QV_SELECTOR(request, code, name, params, args) QV_HOST_OP(0, name, GSErrCode, params, args)
#include "api/HostFunctions.def"
    }
    EXPECT_THAT(faults, testing::IsEmpty());
}

} // namespace host_contract_test
