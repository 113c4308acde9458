# Run by CPack after it has installed the release into its staging folder:
# the portable ZIP starts with the sample settings in COND (the settings
# folder beside the program), so a first start offers the sample montage.
# The installer leaves COND out: it writes the sample settings at install
# time, only where no settings exist yet, and never removes them on upgrade.
if(CPACK_GENERATOR STREQUAL "ZIP")
  file(GLOB_RECURSE samples "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/SAMPLE/MORLEX.INI"
       "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/SAMPLE/MORLEX.INI")
  foreach(sample ${samples})
    get_filename_component(sample_dir "${sample}" DIRECTORY)
    get_filename_component(root "${sample_dir}" DIRECTORY)
    file(COPY "${sample}" DESTINATION "${root}/COND")
  endforeach()
endif()
