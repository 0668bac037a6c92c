#pragma once

#include <functional>
#include <string>
#include <vector>

// barquill-probe's sub-commands register themselves here, one file each.
namespace barquill::probe {

// Runs with the arguments after the sub-command's name; returns the exit status.
// Each command prints exactly one JSON object on standard output.
using CommandFunction = std::function<int(const std::vector<std::string>& args)>;

struct CommandRegistrar {
    CommandRegistrar(const std::string& name, CommandFunction function);
};

// Value of "--name VALUE" in args, or fallback.
std::string option(const std::vector<std::string>& args, const std::string& name,
                   const std::string& fallback = {});
bool flag(const std::vector<std::string>& args, const std::string& name);
// The first argument that is not an option or an option's value.
std::string positional(const std::vector<std::string>& args);

} // namespace barquill::probe
