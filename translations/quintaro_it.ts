<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT" sourcelanguage="en">
<context>
    <name>Devices</name>
    <message>
        <source>Loading SoundFont %1…</source>
        <translation>Caricamento SoundFont %1…</translation>
    </message>
    <message>
        <source>Not a readable SoundFont: %1</source>
        <translation>Non è un SoundFont leggibile: %1</translation>
    </message>
    <message>
        <source>SoundFont: %1</source>
        <translation>SoundFont: %1</translation>
    </message>
</context>
<context>
    <name>Keyboard</name>
    <message>
        <source>C</source>
        <translation>Do</translation>
    </message>
    <message>
        <source>C#</source>
        <translation>Do#</translation>
    </message>
    <message>
        <source>D</source>
        <translation>Re</translation>
    </message>
    <message>
        <source>D#</source>
        <translation>Re#</translation>
    </message>
    <message>
        <source>E</source>
        <translation>Mi</translation>
    </message>
    <message>
        <source>F</source>
        <translation>Fa</translation>
    </message>
    <message>
        <source>F#</source>
        <translation>Fa#</translation>
    </message>
    <message>
        <source>G</source>
        <translation>Sol</translation>
    </message>
    <message>
        <source>G#</source>
        <translation>Sol#</translation>
    </message>
    <message>
        <source>A</source>
        <translation>La</translation>
    </message>
    <message>
        <source>A#</source>
        <translation>La#</translation>
    </message>
    <message>
        <source>B</source>
        <translation>Si</translation>
    </message>
    <message>
        <source>Click Key</source>
        <translation>Click Key</translation>
    </message>
    <message>
        <source>Hold Note</source>
        <translation>Hold Note</translation>
    </message>
    <message>
        <source>Hold Chord</source>
        <translation>Hold Chord</translation>
    </message>
    <message>
        <source>All Notes Off</source>
        <translation>All Notes Off</translation>
    </message>
    <message>
        <source>Note (Number)</source>
        <translation>Note (Number)</translation>
    </message>
</context>
<context>
    <name>KeyboardAccess</name>
    <message>
        <source>Key Shift</source>
        <translation>Key Shift</translation>
    </message>
    <message>
        <source>%1%2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>zone start channel %1</source>
        <translation>inizio zona canale %1</translation>
    </message>
    <message>
        <source>zone end channel %1</source>
        <translation>fine zona canale %1</translation>
    </message>
</context>
<context>
    <name>MidiDeviceWatch</name>
    <message>
        <source>MIDI In gone: %1</source>
        <translation>MIDI In scollegato: %1</translation>
    </message>
    <message>
        <source>MIDI In back: %1</source>
        <translation>MIDI In ricollegato: %1</translation>
    </message>
    <message>
        <source>MIDI Out gone: %1</source>
        <translation>MIDI Out scollegato: %1</translation>
    </message>
    <message>
        <source>MIDI Out back: %1</source>
        <translation>MIDI Out ricollegato: %1</translation>
    </message>
    <message>
        <source>MIDI In refused, it returns the output: %1</source>
        <translation>MIDI In rifiutato, riporta l&apos;uscita: %1</translation>
    </message>
</context>
<context>
    <name>PortKinds</name>
    <message>
        <source>Synth GM</source>
        <translation>Synth GM</translation>
    </message>
    <message>
        <source>Synth GM (%1)</source>
        <translation>Synth GM (%1)</translation>
    </message>
    <message>
        <source>ALSA: %1</source>
        <translation>ALSA: %1</translation>
    </message>
    <message>
        <source>JACK: %1</source>
        <translation>JACK: %1</translation>
    </message>
    <message>
        <source>No input</source>
        <translation>Nessun ingresso</translation>
    </message>
    <message>
        <source>No output</source>
        <translation>Nessuna uscita</translation>
    </message>
</context>
<context>
    <name>SaveMidiFile</name>
    <message>
        <source>Save MIDI file…</source>
        <translation>Salva file MIDI…</translation>
    </message>
    <message>
        <source>MIDI (*.mid *.midi)</source>
        <translation>MIDI (*.mid *.midi)</translation>
    </message>
</context>
<context>
    <name>SoundStatus</name>
    <message>
        <source>Sound gone: the sound server stopped, waiting for it…</source>
        <translation>Suono perso: il server audio si è fermato, lo aspetto…</translation>
    </message>
    <message>
        <source>Sound gone: the audio output closed, trying it again…</source>
        <translation>Suono perso: l&apos;uscita audio si è chiusa, la riprovo…</translation>
    </message>
    <message>
        <source>Sound back: the audio output plays again…</source>
        <translation>Suono tornato: l&apos;uscita audio suona di nuovo…</translation>
    </message>
    <message>
        <source>Sound gone: the audio output cannot come back, choose it again…</source>
        <translation>Suono perso: l&apos;uscita audio non torna, sceglila di nuovo…</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Visualizza</translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation>Fi&amp;nestra</translation>
    </message>
    <message>
        <source>&amp;About QuintaroV1.0</source>
        <translation>Informazioni su QuintaroV1.0</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Esci</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Chiudi</translation>
    </message>
    <message>
        <source>&amp;Cascade</source>
        <translation>&amp;Sovrapponi</translation>
    </message>
    <message>
        <source>Notebook</source>
        <translation>Blocco Note</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>Ingrandisci</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>File assente</translation>
    </message>
    <message>
        <source>Part </source>
        <translation>Parte </translation>
    </message>
    <message>
        <source>Output MIDI Device already in use</source>
        <translation>Dispositivo MIDI di uscita già in uso</translation>
    </message>
    <message>
        <source>Output MIDI Device error</source>
        <translation>Errore Dispositivo MIDI di uscita</translation>
    </message>
    <message>
        <source>Output MIDI Device not found</source>
        <translation>Dispositivo MIDI di uscita assente</translation>
    </message>
    <message>
        <source>Output MIDI Device closing error</source>
        <translation>Errore chiusura Dispositivo MIDI di uscita</translation>
    </message>
    <message>
        <source>Disk not ready or not formatted</source>
        <translation>Disco non pronto o non formattato</translation>
    </message>
    <message>
        <source>Disk reading error</source>
        <translation>Errore di lettura da disco</translation>
    </message>
    <message>
        <source>Volume All Parts</source>
        <translation>Volume Tutte le Parti</translation>
    </message>
    <message>
        <source>&amp;Preferences</source>
        <translation>&amp;Preferenze</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Lingua</translation>
    </message>
    <message>
        <source>Italian</source>
        <translation>Italiano</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Inglese</translation>
    </message>
    <message>
        <source>The change will take place next time you will run the programme</source>
        <translation>Il cambio avrà effetto alla prossima esecuzione del programma</translation>
    </message>
    <message>
        <source>Change language</source>
        <translation>Cambio lingua</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Pan</source>
        <translation>Pan</translation>
    </message>
    <message>
        <source>Vel On</source>
        <translation>Vel On</translation>
    </message>
    <message>
        <source>Vel Off</source>
        <translation>Vel Off</translation>
    </message>
    <message>
        <source>Att Time</source>
        <translation>Att Time</translation>
    </message>
    <message>
        <source>Rel Time</source>
        <translation>Rel Time</translation>
    </message>
    <message>
        <source>Bend</source>
        <translation>Bend</translation>
    </message>
    <message>
        <source>Mod 1</source>
        <translation>Mod 1</translation>
    </message>
    <message>
        <source>Mod 2</source>
        <translation>Mod 2</translation>
    </message>
    <message>
        <source>Reverb</source>
        <translation>Reverb</translation>
    </message>
    <message>
        <source>Chorus</source>
        <translation>Chorus</translation>
    </message>
    <message>
        <source>Show Status Bar</source>
        <translation>Visualizza Barra di Stato</translation>
    </message>
    <message>
        <source>Velocity from the click&apos;s height</source>
        <translation>Velocità dall&apos;altezza del clic</translation>
    </message>
    <message>
        <source>Keyboard</source>
        <translation>Tastiera</translation>
    </message>
    <message>
        <source>Transposition</source>
        <translation>Trasposizione</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programma</translation>
    </message>
    <message>
        <source>MIDI Channel </source>
        <translation>Canale MIDI </translation>
    </message>
    <message>
        <source>Path not found</source>
        <translation>Impossibile trovare il percorso</translation>
    </message>
    <message>
        <source>Opening </source>
        <translation>Apertura di </translation>
    </message>
    <message>
        <source>Error I/O device</source>
        <translation>Errore I/O periferica</translation>
    </message>
    <message>
        <source>Opening MIDI out device</source>
        <translation>Apertura dispositivo MIDI di uscita</translation>
    </message>
    <message>
        <source>Closing MIDI out device</source>
        <translation>Chiusura dispositivo MIDI di uscita</translation>
    </message>
</context>
<context>
    <name>ZonesDialog</name>
    <message>
        <source>Zones</source>
        <translation>Zone</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>Canale</translation>
    </message>
    <message>
        <source>Lowest note</source>
        <translation>Nota più bassa</translation>
    </message>
    <message>
        <source>Highest note</source>
        <translation>Nota più alta</translation>
    </message>
    <message>
        <source>Transposition</source>
        <translation>Trasposizione</translation>
    </message>
    <message>
        <source>Learn</source>
        <translation>Impara</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>Informazioni su QuintaroV10</source>
        <translation>Informazioni su QuintaroV10</translation>
    </message>
    <message>
        <source>Quin Taro v 1.0</source>
        <translation>Quin Taro v 1.0</translation>
    </message>
    <message>
        <source>Versione V 1.0 2002</source>
        <translation>Versione V 1.0 2002</translation>
    </message>
    <message>
        <source>Interfaccia MIDI GM</source>
        <translation>Interfaccia MIDI GM</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>frmBloccoNote</name>
    <message>
        <source>Blocco Note</source>
        <translation>Blocco Note</translation>
    </message>
</context>
<context>
    <name>frmGMPag</name>
    <message>
        <source>GM Page %1</source>
        <translation>GM Page %1</translation>
    </message>
</context>
<context>
    <name>frmLingua</name>
    <message>
        <source>Choose a language</source>
        <translation>Scegliere una lingua</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Italiano</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>   Versione beta</source>
        <translation>   Versione beta</translation>
    </message>
    <message>
        <source>&amp;Modifica</source>
        <translation>&amp;Modifica</translation>
    </message>
    <message>
        <source>Volume All</source>
        <translation>Volume All</translation>
    </message>
    <message>
        <source>Part</source>
        <translation>Part</translation>
    </message>
    <message>
        <source>Part %1</source>
        <translation>Part %1</translation>
    </message>
    <message>
        <source>GM Page 1 </source>
        <translation>GM Page 1 </translation>
    </message>
    <message>
        <source>GM Page 2</source>
        <translation>GM Page 2</translation>
    </message>
    <message>
        <source>Master Keyboard</source>
        <translation>Master Keyboard</translation>
    </message>
    <message>
        <source>MIDI…</source>
        <translation>MIDI…</translation>
    </message>
    <message>
        <source>&amp;?</source>
        <translation>&amp;?</translation>
    </message>
    <message>
        <source>Guida Utente</source>
        <translation>Guida Utente</translation>
    </message>
</context>
<context>
    <name>frmMasterKb</name>
    <message>
        <source>MIDI Channels</source>
        <translation>MIDI Channels</translation>
    </message>
    <message>
        <source>Zones…</source>
        <translation>Zone…</translation>
    </message>
    <message>
        <source>Master Keyboard</source>
        <translation>Master Keyboard</translation>
    </message>
</context>
<context>
    <name>frmMidi</name>
    <message>
        <source>MIDI</source>
        <translation>MIDI</translation>
    </message>
    <message>
        <source>MIDI Out</source>
        <translation>MIDI Out</translation>
    </message>
    <message>
        <source>MIDI In</source>
        <translation>MIDI In</translation>
    </message>
    <message>
        <source>At start QUINTARO_MIDI_OUT=%1 wins</source>
        <translation>All&apos;avvio vale QUINTARO_MIDI_OUT=%1</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Send all parts</source>
        <translation>Invia tutte le parti</translation>
    </message>
    <message>
        <source>This input could not be opened.</source>
        <translation>Impossibile aprire questo ingresso.</translation>
    </message>
    <message>
        <source>Choose the SoundFont</source>
        <translation>Scegli il SoundFont</translation>
    </message>
    <message>
        <source>SoundFont…</source>
        <translation>SoundFont…</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>Livello</translation>
    </message>
    <message>
        <source>Loading the SoundFont %1…</source>
        <translation>Caricamento del SoundFont %1…</translation>
    </message>
    <message>
        <source>%1 is not a readable SoundFont: the previous one stays.</source>
        <translation>%1 non è un SoundFont leggibile: resta quello di prima.</translation>
    </message>
    <message>
        <source>SoundFont (*.sf2 *.sf3)</source>
        <translation>SoundFont (*.sf2 *.sf3)</translation>
    </message>
</context>
<context>
    <name>frmPart</name>
    <message>
        <source>Key Shift</source>
        <translation>Key Shift</translation>
    </message>
</context>
<context>
    <name>frmVolumeAll</name>
    <message>
        <source>Volume </source>
        <translation>Volume </translation>
    </message>
    <message>
        <source>Pan</source>
        <translation>Pan</translation>
    </message>
    <message>
        <source>Reverber</source>
        <translation>Reverber</translation>
    </message>
    <message>
        <source>Chorus</source>
        <translation>Chorus</translation>
    </message>
    <message>
        <source>Key Shift</source>
        <translation>Key Shift</translation>
    </message>
    <message>
        <source>MidiCh</source>
        <translation>MidiCh</translation>
    </message>
</context>
</TS>
