// SPDX-License-Identifier: MIT
// A source of named telephony events (incoming call identified, message received, ...).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vantro {

using TelephonyUserInfo = std::map<std::string, std::string>;
using TelephonyCallback = std::function<void(const std::string& name, const TelephonyUserInfo& userInfo)>;

/// Port: delivers every notification name to the observer, possibly on another thread.
class Telephony {
public:
    virtual ~Telephony() = default;
    virtual void addObserver(TelephonyCallback callback) = 0;
};

/// Events injected by hand: tests and the simulated phone.
class ScriptedTelephony : public Telephony {
public:
    void addObserver(TelephonyCallback callback) override { m_observers.push_back(std::move(callback)); }
    void deliver(const std::string& name, const TelephonyUserInfo& info = {}) {
        for (auto& o : m_observers) o(name, info);
    }
    size_t observerCount() const { return m_observers.size(); }

private:
    std::vector<TelephonyCallback> m_observers;
};

}  // namespace vantro
