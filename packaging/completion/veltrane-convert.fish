# fish completion for veltrane-convert: its options, the formats of --to, the
# picture types of --plot, and survey files (.twi, .csv) and folders.

# Survey files by their extension in any letter case, and folders to go into.
function __veltrane_convert_surveys
    for path in (commandline -ct)*
        if test -d $path
            echo $path/
        else if string match -qir '\.(twi|csv)$' -- $path
            echo $path
        end
    end
end

complete -c veltrane-convert -f -a '(__veltrane_convert_surveys)'
complete -c veltrane-convert -l to -x -a 'csv twi' -d 'Convert to this format'
complete -c veltrane-convert -l strict -d 'Convert nothing of a survey with warnings'
complete -c veltrane-convert -s n -l no-clobber -d 'Keep existing outputs'
complete -c veltrane-convert -s j -l jobs -x -d 'Files converted at a time'
complete -c veltrane-convert -l info -d 'Show each survey\'s summary, convert nothing'
complete -c veltrane-convert -l limit -x -d 'With --info, list the intervals twisting more; with --plot, mark them'
complete -c veltrane-convert -l plot -x -a 'svg png pdf' -d 'Also draw the twist profile'
complete -c veltrane-convert -l compare -r -F -d 'Draw the surveys over each other, convert nothing'
complete -c veltrane-convert -l plot-size -x -d 'The pictures\' size, WxH: pixels for PNG, points for SVG and PDF'
complete -c veltrane-convert -l page -x -a 'a4 letter' -d 'The paper of a PDF picture'
complete -c veltrane-convert -s o -l output-dir -x -a '(__fish_complete_directories)' -d 'Write the outputs into this folder'
complete -c veltrane-convert -s r -l recursive -d 'Descend into subfolders'
complete -c veltrane-convert -s q -l quiet -d 'Print failures only'
complete -c veltrane-convert -l json -d 'Print one JSON object a file'
complete -c veltrane-convert -l site -x -d 'Site of the KVN CSV output of a TWI source'
complete -c veltrane-convert -l borehole -x -d 'Borehole of the KVN CSV output of a TWI source'
complete -c veltrane-convert -l depth-unit -x -a 'feet meters' -d 'Depth unit of the KVN CSV output of a TWI source'
complete -c veltrane-convert -l help -d 'Show the usage and exit'
complete -c veltrane-convert -l version -d 'Show the version and exit'
