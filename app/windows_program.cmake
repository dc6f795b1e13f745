# What the program needs on Windows beyond its sources: the gear as the
# executable's icon, and with a static Qt the Russian texts of Qt's own
# dialogs (the exit question's "Да" and "Нет") beside it.
get_target_property(ico kavtra_icons ICO_FILE)
configure_file(kavtra.rc.in ${CMAKE_CURRENT_BINARY_DIR}/kavtra.rc @ONLY)
target_sources(kavtra PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/kavtra.rc)
target_sources(kavtra_window_program PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/kavtra.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/kavtra.rc PROPERTIES OBJECT_DEPENDS ${ico})

# A shared Qt brings its translations with windeployqt; a static one has no
# folder of its own on the user's machine, so qt.conf points Qt at ours.
get_target_property(qt_core_type Qt6::Core TYPE)
if(qt_core_type STREQUAL "STATIC_LIBRARY")
  set(KAVTRA_QT_TRANSLATIONS /usr/share/qt6/translations CACHE PATH
      "Where qtbase_ru.qm is (Debian: qt6-translations-l10n)")
  set(qm ${KAVTRA_QT_TRANSLATIONS}/qtbase_ru.qm)
  if(NOT EXISTS ${qm})
    message(FATAL_ERROR "${qm} is missing: install qt6-translations-l10n or set KAVTRA_QT_TRANSLATIONS")
  endif()
  add_custom_command(TARGET kavtra POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_SOURCE_DIR}/qt.conf $<TARGET_FILE_DIR:kavtra>
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:kavtra>/translations
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qm} $<TARGET_FILE_DIR:kavtra>/translations
    VERBATIM)
  install(FILES qt.conf DESTINATION ${KAVTRA_PROGRAM_DIR})
  install(FILES ${qm} DESTINATION ${KAVTRA_PROGRAM_DIR}/translations)
endif()
