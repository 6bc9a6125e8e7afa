// Shared pieces of the automation system tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A private folder for the test, with VX_REGISTRY pointing at a file inside it (not yet made).
class TemporaryRegistryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::string& Folder() const { return mFolder; }
    const std::string& RegistryFile() const { return mRegistry; }

private:
    std::string mFolder;
    std::string mRegistry;
};

// Runs a program with arguments and the current environment; returns the raw wait status
// (-1 when it could not start). Its output goes to *outOutput when given.
int RunProgram(const std::vector<std::string>& inArguments, std::string* outOutput = nullptr);
