#include "cli/RunInterrupt.h"

#include <atomic>

namespace cli {

namespace {

std::atomic<station::CancelToken*> g_token{nullptr};

void OnInterrupt()
{
    if (station::CancelToken* token = g_token.load()) token->Request();
}

station::CancelToken* Install(station::CancelToken& token)
{
    g_token.store(&token);
    return &token;
}

} // namespace

RunInterrupt::RunInterrupt(station::CancelToken& token)
    : m_scope((Install(token), OnInterrupt), kSecondInterruptMs)
{
}

RunInterrupt::~RunInterrupt()
{
    g_token.store(nullptr);
}

} // namespace cli
