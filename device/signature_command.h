// pda signature enroll FILE... / pda signature verify TEMPLATE FILE...:
// signature files written on the signature pad control of the device's
// own Panel.ocx and handed to its engine "Panel.Client.1", all through the
// component runtime, as the logon module does.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <vector>

namespace pda {

// Exit statuses of the signature commands.
inline constexpr int kExitSignatureInconsistent = 1;
inline constexpr int kExitSignatureUnreadable = 2;
inline constexpr int kMinimumEnrollmentFiles = 5;

// One sample per file; prints the template on `out`. 0 done, 1 the engine
// found a sample inconsistent ("inconsistent N" on `out`, N the file's
// 1-based place), 2 too few files, an unreadable file or a component that
// does not work (reason on `err`).
int SignatureEnroll(const std::vector<std::filesystem::path>& files, std::ostream& out,
                    std::ostream& err);
// "threshold T", then "FILE match SCORE" or "FILE reject SCORE" per file.
// 0 when every file was read, else 2.
int SignatureVerify(const std::filesystem::path& templateFile,
                    const std::vector<std::filesystem::path>& files, std::ostream& out,
                    std::ostream& err);

}  // namespace pda
