# The factory bank: kaveo-make-bank (tools/factory_bank) writes it from the factory
# programs at build time, and an assembler file embeds the whole file in the plug-in, the
# tests and the benchmarks. kaveo_core keeps an empty stand-in (platform/factory_bank.cpp),
# so the builder, which links kaveo_core, never needs its own output.
set(KAVEO_FACTORY_BANK ${PROJECT_BINARY_DIR}/factory_bank/factory.kvb)
set(KAVEO_FACTORY_BANK_STAMP ${PROJECT_BINARY_DIR}/factory_bank/factory.stamp)
# The builder runs whenever it is relinked, but rewrites the bank only when its bytes
# change; the bank is a byproduct (restat under Ninja), so an unchanged bank rebuilds
# nothing that embeds it.
add_custom_command(
  OUTPUT ${KAVEO_FACTORY_BANK_STAMP}
  BYPRODUCTS ${KAVEO_FACTORY_BANK}
  COMMAND kaveo-make-bank ${KAVEO_FACTORY_BANK}
  COMMAND ${CMAKE_COMMAND} -E touch ${KAVEO_FACTORY_BANK_STAMP}
  DEPENDS kaveo-make-bank
  COMMENT "Building the factory bank"
  VERBATIM)
add_custom_target(kaveo_factory_bank_file DEPENDS ${KAVEO_FACTORY_BANK_STAMP})

enable_language(ASM)
set(KAVEO_FACTORY_BANK_EMBED
  ${PROJECT_SOURCE_DIR}/tools/factory_bank/embedded_bank.S
  ${PROJECT_SOURCE_DIR}/tools/factory_bank/embedded_bank.cpp)
set_source_files_properties(${PROJECT_SOURCE_DIR}/tools/factory_bank/embedded_bank.S
  PROPERTIES OBJECT_DEPENDS ${KAVEO_FACTORY_BANK})
add_library(kaveo_factory_bank OBJECT ${KAVEO_FACTORY_BANK_EMBED})
target_include_directories(kaveo_factory_bank PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(kaveo_factory_bank PRIVATE
  KAVEO_FACTORY_BANK_FILE="${KAVEO_FACTORY_BANK}")
add_dependencies(kaveo_factory_bank kaveo_factory_bank_file)

foreach(target kaveo kaveo_tests kaveo_bench)
  if(TARGET ${target})
    target_link_libraries(${target} PRIVATE kaveo_factory_bank)
  endif()
endforeach()
