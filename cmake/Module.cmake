# The module's code (entry/, setup/, logonui/, lockout/, store/) compiles once into an
# object library: Password.cpl is made from it, and the tests link the same
# objects directly so they can reach internal operations. Only the entry
# points and the resource directory are exported from the module.
file(GLOB VEYR_MODULE_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/entry/*.cpp
  ${CMAKE_SOURCE_DIR}/logonui/*.cpp
  ${CMAKE_SOURCE_DIR}/lockout/*.cpp
  ${CMAKE_SOURCE_DIR}/store/*.cpp
  ${CMAKE_SOURCE_DIR}/setup/*.cpp)
add_library(zentrak_module OBJECT ${VEYR_MODULE_SOURCES})
target_include_directories(zentrak_module PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(zentrak_module PUBLIC veyrplatform zentrak_res OpenSSL::Crypto)
set_target_properties(zentrak_module PROPERTIES CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)

# Password.cpl: the module as the device loads it.
add_library(password_cpl SHARED $<TARGET_OBJECTS:zentrak_module> $<TARGET_OBJECTS:zentrak_res>)
target_link_libraries(password_cpl PRIVATE veyrplatform OpenSSL::Crypto)
# The module's own calls between its entry points (LockDevice ->
# PromptForPasswd -> ExecuteInstallWizard) must stay inside the module, as
# they do in a DLL: a program that exports the same names (the test
# programs link the module's objects) would otherwise receive them and run
# them on its own globals.
target_link_options(password_cpl PRIVATE -Wl,-Bsymbolic)
set_target_properties(password_cpl PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME "Password.cpl")
